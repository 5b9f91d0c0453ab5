#include "runtime/tcolor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QPalette::ColorRole PaletteRole(int index)
{
    switch (index) {
    case 1:  // desktop
    case 12: // application workspace
        return QPalette::Dark;
    case 2:  // active caption
    case 13: // highlight
    case 29: // menu highlight
        return QPalette::Highlight;
    case 9:  // caption text
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 4:  // menu
    case 30: // menu bar
        return QPalette::Window;
    case 5: // window
        return QPalette::Base;
    case 6:  // window frame
    case 21: // dark 3D shadow
        return QPalette::Shadow;
    case 7: // menu text
        return QPalette::WindowText;
    case 8: // window text
        return QPalette::Text;
    case 15: // button face
        return QPalette::Button;
    case 16: // button shadow
        return QPalette::Mid;
    case 17: // grey text
        return QPalette::PlaceholderText;
    case 18: // button text
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 22: // 3D light
        return QPalette::Midlight;
    case 23: // tooltip text
        return QPalette::ToolTipText;
    case 24: // tooltip background
        return QPalette::ToolTipBase;
    case 26: // hot-tracked item
        return QPalette::Link;
    default:
        return QPalette::Window;
    }
}

} // namespace

QColor ToQColor(TColor colour)
{
    if (!IsSystemColour(colour)) {
        const auto value = static_cast<std::uint32_t>(colour);
        return QColor(static_cast<int>(value & 0xFF), static_cast<int>(value >> 8 & 0xFF),
                      static_cast<int>(value >> 16 & 0xFF));
    }
    const QPalette palette = QGuiApplication::palette();
    return palette.color(PaletteRole(static_cast<int>(static_cast<std::uint32_t>(colour) & 0xFF)));
}
