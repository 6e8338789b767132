#include "app/catalog/CatalogScreens.h"

#include "app/catalog/TemplateCatalogStore.h"
#include "app/catalog/TemplateCatalogView.h"
#include "app/shell/WorkspaceStore.h"
#include "app/shell/WorkspaceView.h"

namespace kestrivane {

void registerCatalogScreens()
{
    WorkspaceStore::setDefaultCatalogFactory([](WorkspaceStore &workspace) {
        auto service = std::make_shared<const TemplateCatalogService>(
            TemplateCatalogService::defaultURL(), std::make_shared<HTTPCatalogTransport>(TransportConfiguration{}));
        return new TemplateCatalogStore(std::move(service), nullptr, &workspace.preferences(), &workspace);
    });
    WorkspaceView::setCatalogPageFactory(
        [](WorkspaceStore &workspace, Localization *localization, QWidget *parent) -> QWidget * {
            TemplateCatalogStore *store = workspace.catalog();
            if (!store)
                return nullptr;
            return new TemplateCatalogView(store, &workspace, localization, parent);
        });
}

} // namespace kestrivane
