#include "shell/qt/program_icon.h"

#include <QDir>

QIcon programIcon()
{
    QIcon icon;
    const QDir folder(QStringLiteral(":/kovaro/icon"));
    for (const QString& name : folder.entryList({QStringLiteral("kovaro-*.png")}, QDir::Files)) {
        icon.addFile(folder.filePath(name));
    }
    return icon;
}
