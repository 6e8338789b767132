#include "app/common/LabelDocumentFile.h"

#include <QFileInfo>

namespace kestrivane {

bool LabelDocumentFile::hasDocumentExtension(const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(fileExtension, Qt::CaseInsensitive) == 0;
}

} // namespace kestrivane
