#pragma once

#include "util/fixed_point.h"
#include "util/fixed_point_text.h"

#include <QString>

#include <string_view>

namespace balcora::gui {

// The controllers' texts are UTF-8.
inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An amount as the screens show it ("1.234,56").
inline QString money(util::Money amount) {
    return qs(util::to_br(amount));
}

}  // namespace balcora::gui
