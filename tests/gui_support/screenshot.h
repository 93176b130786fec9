#pragma once

#include <QWidget>

#include <string>

namespace balcora::test {

// Saves a PNG of the widget as it is drawn now under the build folder's
// screenshots/ (name without extension); returns the file's path.
std::string save_screenshot(QWidget& widget, const std::string& name);

}  // namespace balcora::test
