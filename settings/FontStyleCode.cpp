#include "settings/FontStyleCode.h"

namespace {
constexpr int AllStyles = FontStyleCode::Bold | FontStyleCode::Italic | FontStyleCode::Underline
                          | FontStyleCode::StrikeOut;
} // namespace

int FontStyleCode::fromStyles(int styles)
{
    switch (styles & AllStyles) {
    case Bold | Italic | Underline | StrikeOut:
        return 12;
    case Italic | Underline | StrikeOut:
        return 13;
    case Underline | StrikeOut:
        return 14;
    case Bold | Underline | StrikeOut:
        return 15;
    default:
        return styles & AllStyles;
    }
}

std::optional<int> FontStyleCode::toStyles(int code)
{
    switch (code) {
    case 12:
        return Bold | Italic | Underline | StrikeOut;
    case 13:
        return Italic | Underline | StrikeOut;
    case 14:
        return Underline | StrikeOut;
    case 15:
        return Bold | Underline | StrikeOut;
    default:
        if (code < 0 || code > 15)
            return std::nullopt;
        return code;
    }
}
