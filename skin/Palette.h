#pragma once

#include <QColor>
#include <QList>

#include <algorithm>
#include <cmath>

// One palette for every window, button and picture of the client. The build draws the artwork
// from it (res/artgen) and the application style takes its colours from it, so a colour changed
// here changes both; textPairs() lists every caption on its ground for the contrast test.
namespace Palette {

inline const QColor navy(0x17, 0x3A, 0x5E);      // title bands, headings, the focus ring
inline const QColor blue(0x1F, 0x6F, 0xB2);      // primary tone
inline const QColor sky(0x3C, 0x8F, 0xD8);       // lighter primary, pictures only
inline const QColor orange(0xF2, 0x9E, 0x38);    // accents and glyphs, never under a caption
inline const QColor red(0xD0, 0x45, 0x3B);       // glyphs of quit, delete, pause
inline const QColor surface(0xEE, 0xF3, 0xF8);   // window ground
inline const QColor sidebar(0xE2, 0xEB, 0xF5);   // left column
inline const QColor line(0xD3, 0xDE, 0xEA);      // card borders, separators
inline const QColor frame(0xB4, 0xC5, 0xD8);     // borders of inputs and buttons
inline const QColor white(0xFF, 0xFF, 0xFF);     // cards, pages, inputs
inline const QColor ink(0x24, 0x40, 0x5E);       // captions on light ground
inline const QColor text(0x1B, 0x2B, 0x3C);      // what the user types
inline const QColor muted(0x4E, 0x5F, 0x71);     // secondary text on any light ground
inline const QColor grey(0x73, 0x73, 0x73);      // the grey of the page texts
inline const QColor formLabel(0x40, 0x40, 0x40); // the login form's labels
inline const QColor charCount(0x04, 0x63, 0x93); // the main window's character counter
inline const QColor disabledText(0x81, 0x93, 0xA6);
inline const QColor disabledGround(0xF2, 0xF5, 0xF8);
inline const QColor rim(0x1F, 0x3F, 0x60);        // the window's outer edge
inline const QColor bandBottom(0x1D, 0x67, 0xA5); // the title band runs from navy down to this
inline const QColor paleText(0xE6, 0xEE, 0xF7);   // secondary text on the band
inline const QColor pale(0xDC, 0xEA, 0xF7);       // a link's tile while hot
inline const QColor popupTop(0xF5, 0xF9, 0xFD);   // the popup's heading strip
inline const QColor popupBottom(0xE4, 0xEE, 0xF8);
inline const QColor focusRing = navy;   // keyboard focus: a navy ring ...
inline const QColor focusInner = white; // ... with a white ring inside it

// A face: a vertical gradient with its border and the caption drawn on it.
struct Face
{
    QColor top;
    QColor bottom;
    QColor text;
    QColor border;
};

// The faces of one kind of control. Painted buttons show hover while pressed as well.
struct Faces
{
    Face normal;
    Face hover;
    Face pressed;
};

// Filled buttons with white captions: each state darker than the one before, so the hot face
// never loses contrast.
inline const Faces primary{
    {QColor(0x26, 0x77, 0xBB), blue, white, QColor(0x19, 0x5D, 0x96)},
    {blue, QColor(0x1A, 0x5E, 0x99), white, QColor(0x16, 0x4F, 0x7F)},
    {QColor(0x1A, 0x5E, 0x99), QColor(0x17, 0x4F, 0x82), white, QColor(0x14, 0x3F, 0x66)}};
inline const Faces accent{
    {QColor(0xC4, 0x53, 0x0A), QColor(0xB0, 0x4A, 0x08), white, QColor(0x9C, 0x40, 0x08)},
    {QColor(0xB0, 0x4A, 0x08), QColor(0x9C, 0x40, 0x08), white, QColor(0x8A, 0x38, 0x07)},
    {QColor(0x9C, 0x40, 0x08), QColor(0x8A, 0x38, 0x07), white, QColor(0x7A, 0x32, 0x06)}};
inline const Faces danger{
    {QColor(0xBE, 0x40, 0x37), QColor(0xAE, 0x36, 0x2D), white, QColor(0x97, 0x2E, 0x26)},
    {QColor(0xAE, 0x36, 0x2D), QColor(0x97, 0x2E, 0x26), white, QColor(0x80, 0x26, 0x1F)},
    {QColor(0x97, 0x2E, 0x26), QColor(0x80, 0x26, 0x1F), white, QColor(0x6B, 0x20, 0x1A)}};
// Standard push buttons of pages and dialogs.
inline const Faces button{
    {white, surface, ink, frame},
    {QColor(0xEE, 0xF5, 0xFC), pale, navy, QColor(0x7F, 0xA7, 0xCF)},
    {QColor(0xD3, 0xE3, 0xF3), QColor(0xC9, 0xDC, 0xEF), navy, QColor(0x5F, 0x8F, 0xBF)}};
// The sidebar's tiles: light, filled in their tone while hot; the page shown is navy.
inline const Face tile{QColor(0xF7, 0xFA, 0xFD), QColor(0xE3, 0xEC, 0xF6), ink, QColor(0xC3, 0xD3, 0xE4)};
inline const Face blueTileHot{blue, QColor(0x1A, 0x5E, 0x99), white, QColor(0x17, 0x4F, 0x82)};
inline const Face redTileHot{QColor(0xB8, 0x3A, 0x30), QColor(0xA3, 0x33, 0x2A), white,
                             QColor(0x8E, 0x2C, 0x24)};
inline const Face current{QColor(0x21, 0x4F, 0x7D), navy, white, QColor(0x13, 0x2F, 0x4D)};
// The login window's links: a caption on the card, a pale tile while hot.
inline const QColor blueInk(0x16, 0x4F, 0x7F);
inline const QColor orangeInk(0x8A, 0x4A, 0x0A);
// Tabs: hover and the selected tab ("pressed").
inline const Faces tab{{QColor(0xE9, 0xF0, 0xF7), QColor(0xE9, 0xF0, 0xF7), ink, line},
                       {pale, pale, navy, line},
                       {white, white, navy, line}};
inline const Face header{QColor(0xF3, 0xF7, 0xFB), QColor(0xE9, 0xF0, 0xF7), ink, line};
inline const Face selection{blue, blue, white, blue};
inline const Face inactiveSelection{QColor(0xD6, 0xE6, 0xF5), QColor(0xD6, 0xE6, 0xF5), ink,
                                    QColor(0xD6, 0xE6, 0xF5)};
inline const Face tooltip{navy, navy, white, navy};
inline const Face input{white, white, text, frame};
inline const QColor weekend(0xAE, 0x36, 0x2D); // the calendar's Saturdays and Sundays

// WCAG 2 relative luminance and contrast ratio.
inline double luminance(const QColor& c)
{
    const auto channel = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

inline double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A caption on its ground, as the artwork or the style draws it.
struct TextPair
{
    const char* name;
    QColor text;
    QColor ground;
};

// Every caption colour on every ground it is drawn on; a gradient counts with both its ends.
inline QList<TextPair> textPairs()
{
    QList<TextPair> pairs;
    const auto face = [&](const char* name, const Face& f) {
        pairs.append({name, f.text, f.top});
        pairs.append({name, f.text, f.bottom});
    };
    const auto faces = [&](const char* name, const Faces& f) {
        face(name, f.normal);
        face(name, f.hover);
        face(name, f.pressed);
    };
    faces("primary button", primary);
    faces("accent button", accent);
    faces("danger button", danger);
    faces("push button", button);
    faces("tab", tab);
    face("tile", tile);
    face("blue tile, hot", blueTileHot);
    face("red tile, hot", redTileHot);
    face("current page", current);
    face("table header", header);
    face("selection", selection);
    face("inactive selection", inactiveSelection);
    face("tooltip", tooltip);
    face("input", input);
    pairs.append({"placeholder", muted, white});
    pairs.append({"read-only input", text, surface});
    pairs.append({"calendar weekend", weekend, white});
    pairs.append({"blue link", ink, white});
    pairs.append({"blue link, hot", blueInk, pale});
    pairs.append({"orange link, hot", orangeInk, pale});
    for (const QColor& ground : {white, surface, sidebar, popupTop, popupBottom})
        pairs.append({"muted text", muted, ground});
    pairs.append({"window text", ink, surface});
    pairs.append({"heading", ink, white});
    pairs.append({"page text", grey, white});
    pairs.append({"login label", formLabel, white});
    pairs.append({"character counter", charCount, white});
    pairs.append({"black label", QColor(Qt::black), white});
    pairs.append({"popup time", QColor(Qt::black), popupBottom});
    pairs.append({"popup title", navy, popupBottom});
    for (const QColor& ground : {navy, bandBottom}) {
        pairs.append({"band text", white, ground});
        pairs.append({"band subtitle", paleText, ground});
    }
    return pairs;
}

// Grounds that a focus ring must stand out from (non-text contrast, 3:1).
inline QList<QColor> focusGrounds()
{
    QList<QColor> grounds = {white, surface, sidebar};
    for (const Faces* f : {&primary, &accent, &danger, &button, &tab})
        grounds << f->normal.top << f->normal.bottom << f->hover.top << f->hover.bottom;
    for (const Face* f : {&tile, &blueTileHot, &redTileHot, &current})
        grounds << f->top << f->bottom;
    return grounds;
}

} // namespace Palette
