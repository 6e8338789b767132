#include "app/shell/WorkspaceStore.h"

#include "app/common/LabelDocumentFile.h"
#include "app/editor/ErrorText.h"
#include "app/io/DocumentSaving.h"
#include "app/io/EditorDialogs.h"

#include <QTimer>

namespace kestrivane {

WorkspaceStore::WorkspaceStore(Localization *localization, QSettings &preferences, QObject *parent)
    : QObject(parent), m_localization(localization), m_gridPreferences(new EditorGridPreferences(preferences, this)),
      m_alerts(EditorAlerts::standard()), m_dialogs(EditorDialogs::standard()), m_preferences(preferences)
{
}

namespace {
WorkspaceStore::CatalogFactory &defaultCatalogFactory()
{
    static WorkspaceStore::CatalogFactory factory;
    return factory;
}
} // namespace

void WorkspaceStore::setDefaultCatalogFactory(CatalogFactory factory)
{
    defaultCatalogFactory() = std::move(factory);
}

TemplateCatalogStore *WorkspaceStore::catalog()
{
    if (!m_catalog) {
        const CatalogFactory &factory = m_catalogFactory ? m_catalogFactory : defaultCatalogFactory();
        if (factory)
            m_catalog = factory(*this);
    }
    return m_catalog;
}

WorkspaceStore::~WorkspaceStore()
{
    // The tabs go before the grid preferences they point to.
    for (EditorStore *tab : std::as_const(m_tabs))
        disconnect(tab, nullptr, this, nullptr);
    qDeleteAll(m_tabs);
    m_tabs.clear();
}

void WorkspaceStore::setRoute(Route route)
{
    m_route = route;
    Q_EMIT routeChanged();
    Q_EMIT changed();
    updateWindow();
}

void WorkspaceStore::setActiveID(const std::optional<QUuid> &id)
{
    m_activeID = id;
    Q_EMIT activeIDChanged();
    Q_EMIT changed();
}

void WorkspaceStore::setDraft(TemplateDraft *draft)
{
    if (m_draft)
        m_draft->deleteLater();
    m_draft = draft;
    Q_EMIT draftChanged();
    Q_EMIT changed();
}

void WorkspaceStore::clearDraft()
{
    setDraft(nullptr);
}

void WorkspaceStore::setWindow(QWidget *window)
{
    m_window = window;
}

void WorkspaceStore::setAlerts(std::shared_ptr<EditorAlerts> alerts)
{
    m_alerts = std::move(alerts);
    for (EditorStore *tab : std::as_const(m_tabs))
        tab->setAlerts(m_alerts);
}

void WorkspaceStore::setDialogs(std::shared_ptr<EditorDialogs> dialogs)
{
    m_dialogs = std::move(dialogs);
    for (EditorStore *tab : std::as_const(m_tabs))
        tab->setDialogs(m_dialogs);
}

EditorStore *WorkspaceStore::tab(const QUuid &id) const
{
    for (EditorStore *tab : m_tabs)
        if (tab->id() == id)
            return tab;
    return nullptr;
}

EditorStore *WorkspaceStore::active() const
{
    if (m_route != Route::editor || !m_activeID)
        return nullptr;
    return tab(*m_activeID);
}

QString WorkspaceStore::titleOfName(const QString &name)
{
    QString title = name;
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return title + QStringLiteral("[*]");
}

void WorkspaceStore::updateWindow()
{
    if (!m_window)
        return;
    const EditorStore *document = active();
    if (document) {
        m_window->setWindowTitle(titleOfName(document->document().name));
    } else {
        const QString key =
            m_route == Route::catalog ? QStringLiteral("mac.from_template") : QStringLiteral("mac.home");
        const QString screen = m_localization ? m_localization->text(key) : key;
        m_window->setWindowTitle(titleOfName(screen + QStringLiteral(" \u2014 Kestrivane")));
    }
    m_window->setWindowFilePath(document ? document->fileURL().value_or(QString()) : QString());
    m_window->setWindowModified(document && document->dirty());
}

void WorkspaceStore::scheduleWindowUpdate()
{
    // A burst of changes (a drag, an undo of many steps) updates the window once, after
    // the last of them; the timer belongs to this store and dies with it.
    if (m_windowUpdatePending)
        return;
    m_windowUpdatePending = true;
    QTimer::singleShot(0, this, [guard = QPointer<WorkspaceStore>(this)] {
        if (!guard)
            return;
        guard->m_windowUpdatePending = false;
        guard->updateWindow();
    });
}

EditorStore *WorkspaceStore::add(const LabelDocument &document, const std::optional<QString> &url, bool isNew)
{
    auto *tab = new EditorStore(m_localization, document, url, isNew, m_gridPreferences, this);
    tab->setAlerts(m_alerts);
    tab->setDialogs(m_dialogs);
    const QUuid id = tab->id();
    tab->setMaySaveTo([workspace = QPointer<WorkspaceStore>(this), id](const QString &target) {
        if (!workspace)
            return true;
        for (const EditorStore *other : std::as_const(workspace->m_tabs)) {
            if (other->id() != id && other->fileURL() && DocumentSaving::sameDocumentFile(target, *other->fileURL()))
                return false;
        }
        return true;
    });
    connect(tab, &EditorStore::changed, this, [this] {
        Q_EMIT changed();
        scheduleWindowUpdate();
    });
    m_tabs.append(tab);
    Q_EMIT tabsChanged();
    Q_EMIT changed();
    activate(id);
    return tab;
}

void WorkspaceStore::activate(const QUuid &id)
{
    if (!tab(id))
        return;
    setActiveID(id);
    m_route = Route::editor;
    Q_EMIT routeChanged();
    Q_EMIT changed();
    updateWindow();
}

EditorStore *WorkspaceStore::open(const QString &path)
{
    for (EditorStore *tab : std::as_const(m_tabs)) {
        if (tab->fileURL() && DocumentSaving::sameDocumentFile(path, *tab->fileURL())) {
            activate(tab->id());
            return tab;
        }
    }
    const LabelDocument document = LabelDocument::load(path);
    return add(document, path, false);
}

void WorkspaceStore::openFiles(const QStringList &paths)
{
    for (const QString &path : paths) {
        try {
            open(path);
        } catch (const std::exception &error) {
            show(error);
        }
    }
}

void WorkspaceStore::openPanel()
{
    EditorDialogs::OpenRequest request;
    // Files of earlier releases have no extension of their own; reading decides by content.
    request.nameFilters = {QStringLiteral("Kestrivane (*.%1)").arg(LabelDocumentFile::fileExtension),
                           QStringLiteral("All files (*)")};
    request.multipleSelection = true;
    const QString open = m_localization ? m_localization->text(QStringLiteral("btn_open")) : QStringLiteral("btn_open");
    request.title = open;
    request.acceptLabel = open;
    const QStringList chosen = m_dialogs->chooseOpenFiles(request);
    if (!chosen.isEmpty())
        openFiles(chosen);
}

void WorkspaceStore::newDocument()
{
    const QString name = m_localization ? m_localization->text(QStringLiteral("m_new_label")) : QString();
    setDraft(new TemplateDraft(LabelDocument(name, 60, 40, {}), std::nullopt, this));
}

void WorkspaceStore::editParameters()
{
    if (const EditorStore *document = active())
        setDraft(new TemplateDraft(document->document(), document->id(), this));
}

void WorkspaceStore::commitDraft()
{
    if (!m_draft)
        return;
    const std::optional<QUuid> tabID = m_draft->tabID();
    EditorStore *target = tabID ? tab(*tabID) : nullptr;
    if (tabID && !target) {
        // The tab was closed while its parameters were edited: nothing left to apply to.
        clearDraft();
        return;
    }
    const LabelDocument document = m_draft->document();
    if (!target) {
        add(document, std::nullopt, true);
    } else {
        target->apply([&document](LabelDocument &current) { current = document; });
        activate(target->id());
    }
    clearDraft();
}

CloseDecision WorkspaceStore::decision(EditorStore &tab, const Decide &decide) const
{
    return decide ? decide(tab) : tab.closeDecision();
}

bool WorkspaceStore::close(const QUuid &id, const Decide &decide, const Save &save)
{
    EditorStore *closing = tab(id);
    if (!closing)
        return true;
    if (closing->dirty()) {
        switch (decision(*closing, decide)) {
        case CloseDecision::save:
            if (!(save ? save(*closing) : closing->save(false)))
                return false;
            break;
        case CloseDecision::discard: break;
        case CloseDecision::cancel: return false;
        }
    }
    // The prompt may have run an event loop in which the tab went away.
    const qsizetype index = m_tabs.indexOf(closing);
    if (index < 0)
        return true;
    m_tabs.removeAt(index);
    disconnect(closing, nullptr, this, nullptr);
    closing->deleteLater();
    Q_EMIT tabsChanged();
    Q_EMIT changed();
    if (m_activeID == id) {
        if (m_tabs.isEmpty())
            setActiveID(std::nullopt);
        else
            setActiveID(m_tabs.at(std::min(index, m_tabs.size() - 1))->id());
    }
    if (m_tabs.isEmpty() && m_route != Route::home) {
        m_route = Route::home;
        Q_EMIT routeChanged();
        Q_EMIT changed();
    }
    updateWindow();
    return true;
}

bool WorkspaceStore::confirmCloseAll(const Decide &decide, const Save &save)
{
    // A copy: a prompt's event loop must not pull the list from under the loop.
    const QList<QPointer<EditorStore>> tabs(m_tabs.begin(), m_tabs.end());
    for (const QPointer<EditorStore> &tab : tabs) {
        if (!tab || !tab->dirty())
            continue;
        switch (decision(*tab, decide)) {
        case CloseDecision::save:
            if (!(save ? save(*tab) : tab->save(false)))
                return false;
            break;
        case CloseDecision::discard: break;
        case CloseDecision::cancel: return false;
        }
    }
    return true;
}

void WorkspaceStore::show(const std::exception &error, const QString &subject)
{
    const QString named = subject.isEmpty() ? QString() : QStringLiteral("\n") + subject;
    if (!m_localization) {
        m_alerts->alert(QStringLiteral("mac.error"), QStringLiteral("mac.error_io") + named, QStringLiteral("mac.close"));
        return;
    }
    m_alerts->alert(m_localization->text(QStringLiteral("mac.error")), errorText(error, *m_localization) + named,
                    m_localization->text(QStringLiteral("mac.close")));
}

} // namespace kestrivane
