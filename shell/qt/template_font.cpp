#include "shell/qt/template_font.h"

#include <QFontDatabase>

QFont templateFont(const DialogTemplate& dialog)
{
    const QString templateFamily = QString::fromUtf8(dialog.fontName);
    const QString japaneseFamily = QStringLiteral("Noto Sans CJK JP");
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (QFontDatabase::hasFamily(templateFamily)) {
        font = QFont(templateFamily);
    } else if (QFontDatabase::hasFamily(japaneseFamily)) {
        font = QFont(japaneseFamily);
    }
    font.setPointSize(dialog.fontPointSize);
    return font;
}
