#include "gui_support/screenshot.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

namespace balcora::test {

std::string save_screenshot(QWidget& widget, const std::string& name) {
    QDir().mkpath(QStringLiteral(BALCORA_SCREENSHOT_DIR));
    QApplication::processEvents();
    const QString path =
        QStringLiteral(BALCORA_SCREENSHOT_DIR) + "/" + QString::fromStdString(name) + ".png";
    widget.grab().save(path, "PNG");
    return path.toStdString();
}

}  // namespace balcora::test
