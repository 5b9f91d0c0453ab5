#pragma once

#include <QColor>

#include <cstdint>

// A colour in the layout the settings file and the effect label use: red in bits 0-7, green in
// bits 8-15, blue in bits 16-23. A value with the top bit set names a system colour by index.
using TColor = std::int32_t;

constexpr TColor RgbColour(int red, int green, int blue)
{
    return static_cast<TColor>(static_cast<std::uint32_t>(red & 0xFF) |
                               static_cast<std::uint32_t>(green & 0xFF) << 8 |
                               static_cast<std::uint32_t>(blue & 0xFF) << 16);
}

constexpr TColor SystemColour(int index)
{
    return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(index & 0xFF));
}

constexpr bool IsSystemColour(TColor colour)
{
    return static_cast<std::uint32_t>(colour) & 0x80000000u;
}

constexpr TColor clBlack = RgbColour(0, 0, 0);
constexpr TColor clWhite = RgbColour(255, 255, 255);
constexpr TColor clGray = RgbColour(128, 128, 128);
constexpr TColor clSilver = RgbColour(192, 192, 192);
constexpr TColor clYellow = RgbColour(255, 255, 0);
constexpr TColor clOlive = RgbColour(128, 128, 0);
constexpr TColor clAqua = RgbColour(0, 255, 255);
constexpr TColor clNavy = RgbColour(0, 0, 128);
constexpr TColor clTeal = RgbColour(0, 128, 128);
constexpr TColor clLime = RgbColour(0, 255, 0);
constexpr TColor clGreen = RgbColour(0, 128, 0);
constexpr TColor clRed = RgbColour(255, 0, 0);

// System colour indices as the stored files know them.
constexpr TColor clMenu = SystemColour(4);
constexpr TColor clWindow = SystemColour(5);
constexpr TColor clWindowText = SystemColour(8);
constexpr TColor clBtnFace = SystemColour(15);

// The colour as drawn: plain colours as they are, system colours through the application palette.
QColor ToQColor(TColor colour);
