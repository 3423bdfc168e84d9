#pragma once

#include <QColor>

// One palette for every window, button and picture of the client.
namespace Palette {

inline const QColor navy(0x17, 0x3A, 0x5E);     // title bands, headings
inline const QColor blue(0x1F, 0x6F, 0xB2);     // primary tone
inline const QColor sky(0x3C, 0x8F, 0xD8);      // lighter primary
inline const QColor orange(0xF2, 0x9E, 0x38);   // submit, highlights
inline const QColor red(0xD0, 0x45, 0x3B);      // quit, delete, pause
inline const QColor surface(0xEE, 0xF3, 0xF8);  // window ground
inline const QColor sidebar(0xE2, 0xEB, 0xF5);  // left column
inline const QColor line(0xD3, 0xDE, 0xEA);     // card borders, separators
inline const QColor ink(0x24, 0x40, 0x5E);      // captions on light ground
inline const QColor grey(0x73, 0x73, 0x73);     // the grey of the page texts
inline const QColor rim(0x1F, 0x3F, 0x60);      // the window's outer edge
inline const QColor paleText(0xCF, 0xE0, 0xF0); // secondary text on the bands

} // namespace Palette
