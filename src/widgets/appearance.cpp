#include "appearance.h"

#include "accessibility.h"
#include "artwork.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>

namespace ww {

void applyAppearance(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("ww_editor"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // Liberation Sans has the metrics of the face the layout was drawn for;
    // any sans will do where it is missing.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);
    QApplication::setFont(font);

    // The sizes a window's frame and task bar draw; the larger ones that
    // switchers use come from the icon theme, where the package installs them.
    QIcon icon;
    for (const int size : {16, 32, 48})
        icon.addPixmap(packedPicture(QStringLiteral(":/icons/hicolor/%1x%1/apps/ww_editor.pixels").arg(size)));
    QApplication::setWindowIcon(icon);
    // Lets the desktop (Wayland above all) match the windows to their menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("ww_editor"));
    accessibility::install();

    const QLocale german(QLocale::German, QLocale::Germany);
    QLocale::setDefault(german);
    // Qt's own dialogs speak German where its translations are installed.
    auto *translator = new QTranslator(&app);
    if (translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace ww
