#pragma once

// The main window's controls as one table: name, kind, font, place, caption and colour. The
// window builds itself from it, declares one member per row from it, and the start-up test
// checks the built window against it, so a control's place is written down once.

#include "core/channel.h"
#include "core/colour.h"

#include <span>

namespace platform {
class CheckBox;
class ComboBox;
class CommandButton;
class CommonDialog;
class HScrollBar;
class ImageControl;
class Label;
class OptionButton;
class PictureBox;
class Shape;
} // namespace platform

namespace layout {

enum class Kind {
    Outline,   // a shape's border
    Swatch,    // a filled shape
    Preview,   // the picture, stretched
    Label,     // a caption in its colour (the window's text colour when it has none)
    Heading,   // a caption in the highlight colour
    Readout,   // a bar's value, small, on the base colour
    Probe,     // a colour component under the pointer, on the base colour
    Button,    // a command button
    Threshold, // a threshold bar, 0 to 255
    Rate,      // a rate bar, 3 to 30
    Frame,     // the picture box behind the preview, measuring in twips
    Plane,     // a picture box measuring in pixels, the colour its background
    SizeList,  // a drop-down list, the colour its background
    TypeList,  // a list the user may also type into
    Option,    // a zoom option, the colour its text's, on white
    Check,     // a check box
    Dialog,    // the open dialog, an invisible control
};
enum class Font { Normal, Bold, Small, SmallBold };

// The widget class each kind is built as.
template <Kind> struct WidgetOf;
// clang-format off
template <> struct WidgetOf<Kind::Outline> { using type = platform::Shape; };
template <> struct WidgetOf<Kind::Swatch> { using type = platform::Shape; };
template <> struct WidgetOf<Kind::Preview> { using type = platform::ImageControl; };
template <> struct WidgetOf<Kind::Label> { using type = platform::Label; };
template <> struct WidgetOf<Kind::Heading> { using type = platform::Label; };
template <> struct WidgetOf<Kind::Readout> { using type = platform::Label; };
template <> struct WidgetOf<Kind::Probe> { using type = platform::Label; };
template <> struct WidgetOf<Kind::Button> { using type = platform::CommandButton; };
template <> struct WidgetOf<Kind::Threshold> { using type = platform::HScrollBar; };
template <> struct WidgetOf<Kind::Rate> { using type = platform::HScrollBar; };
template <> struct WidgetOf<Kind::Frame> { using type = platform::PictureBox; };
template <> struct WidgetOf<Kind::Plane> { using type = platform::PictureBox; };
template <> struct WidgetOf<Kind::SizeList> { using type = platform::ComboBox; };
template <> struct WidgetOf<Kind::TypeList> { using type = platform::ComboBox; };
template <> struct WidgetOf<Kind::Option> { using type = platform::OptionButton; };
template <> struct WidgetOf<Kind::Check> { using type = platform::CheckBox; };
template <> struct WidgetOf<Kind::Dialog> { using type = platform::CommonDialog; };

// In creation order, which is also painting order: the shapes and the preview lie beneath the
// rest. X(name, kind, font, left, top, width, height, caption, colour, tooltip)
#define TINTARA_FORM1_CONTROLS(X) \
    X(Shape1, Outline, Normal, 8, 56, 520, 520, "", core::Blue, "The preview's frame: the square the picture is fitted into") \
    X(Image1, Preview, Normal, 16, 64, 161, 89, "", core::NoColour, "The picture loaded; drop a picture file on the window to load it") \
    X(Shape4, Outline, Normal, 536, 56, 312, 200, "", core::Blue, "The thresholds, the rates and the type of block value") \
    X(Shape2, Swatch, Normal, 664, 64, 33, 17, "", core::LightPink, "The colour made of the three minimum thresholds") \
    X(Shape3, Swatch, Normal, 808, 64, 33, 17, "", core::LightPink, "The colour made of the three maximum thresholds") \
    /* the command row */ \
    X(Label19, Heading, Bold, 16, 16, 81, 17, "Size Image", core::NoColour, "The side of the preview square, in pixels") \
    X(Combo1, SizeList, Bold, 112, 16, 97, 24, "", core::LightBlue, "The side of the preview square; it takes effect at the next Load") \
    X(Command8, Button, Small, 216, 16, 73, 25, "Load", core::NoColour, "Open a picture file (Ctrl+O)") \
    X(Command2, Button, Small, 296, 16, 65, 25, "CLEAR", core::NoColour, "Erase the three planes") \
    X(Command4, Button, Normal, 368, 16, 129, 25, "Abuot  Tintara", core::NoColour, "About this program") \
    X(Command7, Button, Small, 536, 16, 121, 25, "THRESHOLD SCAN", core::NoColour, "Mark each block whose value lies inside its channel's band (min, max]") \
    X(Command3, Button, Small, 664, 16, 121, 25, "PIXEL REDUCTION", core::NoColour, "Sample the picture every x-rate pixels into the blue plane") \
    X(Command1, Button, Small, 792, 16, 57, 25, "RGB", core::NoColour, "Show each block's red, green and blue values as brightness") \
    /* the preview */ \
    X(Picture1, Frame, Normal, 40, 80, 97, 65, "", core::NoColour, "The picture as loaded, before it is fitted") \
    X(CD1, Dialog, Normal, 0, 0, 0, 0, "", core::NoColour, "The open dialog") \
    /* the thresholds, rows R, G, B */ \
    X(Label12, Heading, Bold, 560, 64, 105, 17, "Min threshold :", core::NoColour, "A block is marked when its value is above the minimum") \
    X(Label18, Heading, Bold, 704, 64, 97, 17, "Max threshold :", core::NoColour, "and not above the maximum") \
    X(Label6, Label, Bold, 544, 88, 17, 17, "R", core::NoColour, "The red channel's band") \
    X(HScroll2, Threshold, Normal, 560, 88, 97, 17, "", core::NoColour, "Red minimum: blocks with a red value above it can be marked") \
    X(Label14, Readout, Small, 664, 88, 33, 17, "0", core::NoColour, "The red minimum") \
    X(HScroll5, Threshold, Normal, 704, 88, 97, 17, "", core::NoColour, "Red maximum: blocks with a red value above it are not marked") \
    X(Label11, Readout, Small, 808, 88, 33, 17, "0", core::NoColour, "The red maximum") \
    X(Label7, Label, Bold, 544, 104, 17, 17, "G", core::NoColour, "The green channel's band") \
    X(HScroll1, Threshold, Normal, 560, 104, 97, 17, "", core::NoColour, "Green minimum: blocks with a green value above it can be marked") \
    X(Label13, Readout, Small, 664, 104, 33, 17, "0", core::NoColour, "The green minimum") \
    X(HScroll6, Threshold, Normal, 704, 104, 97, 17, "", core::NoColour, "Green maximum: blocks with a green value above it are not marked") \
    X(Label16, Readout, Small, 808, 104, 33, 17, "0", core::NoColour, "The green maximum") \
    X(Label8, Label, Bold, 544, 120, 17, 17, "B", core::NoColour, "The blue channel's band") \
    X(HScroll3, Threshold, Normal, 560, 120, 97, 17, "", core::NoColour, "Blue minimum: blocks with a blue value above it can be marked") \
    X(Label15, Readout, Small, 664, 120, 33, 17, "0", core::NoColour, "The blue minimum") \
    X(HScroll7, Threshold, Normal, 704, 120, 97, 17, "", core::NoColour, "Blue maximum: blocks with a blue value above it are not marked") \
    X(Label17, Readout, Small, 808, 120, 33, 17, "0", core::NoColour, "The blue maximum") \
    /* a channel's local method, over its maximum, shown only while it has one */ \
    X(LocalR, Label, Bold, 704, 88, 137, 17, "", core::NoColour, "The red blocks are marked by this local method, not by the band") \
    X(LocalG, Label, Bold, 704, 104, 137, 17, "", core::NoColour, "The green blocks are marked by this local method, not by the band") \
    X(LocalB, Label, Bold, 704, 120, 137, 17, "", core::NoColour, "The blue blocks are marked by this local method, not by the band") \
    X(Label5, Label, Bold, 576, 136, 17, 17, "0", core::NoColour, "The bars run from 0") \
    X(Label9, Label, Bold, 632, 136, 25, 17, "255", core::NoColour, "to 255") \
    X(CheckOverlap, Check, Bold, 720, 136, 89, 17, "Overlap", core::NoColour, "Each block also takes the pixels one step into its right and lower neighbours: no edge falls between two blocks") \
    /* the rates and the selection type */ \
    X(Label21, Heading, Bold, 552, 168, 89, 17, "Rate x 1: 3", core::NoColour, "The width of a block, in pixels") \
    X(HScroll4, Rate, Normal, 648, 168, 177, 17, "", core::NoColour, "The width of a block in pixels; the height follows it") \
    X(Label22, Heading, Bold, 552, 192, 97, 17, "Rate y 1: 3", core::NoColour, "The height of a block, in pixels") \
    X(HScroll8, Rate, Normal, 648, 192, 177, 17, "", core::NoColour, "The height of a block in pixels") \
    X(Label4, Heading, Bold, 552, 224, 153, 17, "Type Pixel Selection", core::NoColour, "What a block's value is") \
    X(Combo2, TypeList, Small, 720, 224, 105, 21, "Combo2", core::NoColour, "A block's value: its average, maximum, minimum, or maximum minus minimum") \
    /* the zoom box; its options stand over its top edge */ \
    X(Label23, Label, Bold, 544, 272, 137, 17, "Process complete", core::NoColour, "What the window is doing") \
    X(Label10, Label, SmallBold, 752, 272, 73, 17, "ZOOM BOX", core::NoColour, "One plane, enlarged") \
    X(Immagine, Plane, Normal, 544, 296, 280, 280, "", core::White, "One plane enlarged: pick it with R, G or B") \
    X(Option1, Option, Bold, 544, 296, 49, 17, "R", 0x0000FF, "Show the red plane in the zoom box") \
    X(Option2, Option, Bold, 592, 296, 49, 17, "G", 0x008000, "Show the green plane in the zoom box") \
    X(Option3, Option, Bold, 640, 296, 41, 17, "B", 0xFF0000, "Show the blue plane in the zoom box") \
    X(CheckLive, Check, Bold, 688, 272, 57, 17, "Live", core::NoColour, "Run the last command again at every change of a bar or of the type") \
    /* the planes */ \
    X(Label2, Label, Bold, 872, 8, 41, 17, "RED", core::Red, "The red plane") \
    X(Label29, Probe, Bold, 920, 8, 41, 17, "0", core::Red, "The red value under the pointer; a click on a plane takes it as the red minimum") \
    X(Picture4, Plane, Normal, 872, 24, 217, 169, "", core::NoColour, "The red plane") \
    X(Label1, Label, Bold, 872, 200, 57, 17, "GREEN", 0x00C000, "The green plane") \
    X(Label28, Probe, Bold, 936, 200, 41, 17, "0", 0x00C000, "The green value under the pointer; a click on a plane takes it as the green minimum") \
    X(Picture3, Plane, Normal, 872, 216, 217, 169, "", core::NoColour, "The green plane") \
    X(Label3, Label, Bold, 872, 392, 129, 17, "BLU /  Reduction", core::Blue, "The blue plane, or the pixel reduction") \
    X(Label27, Probe, Bold, 1008, 392, 41, 17, "0", 0xC00000, "The blue value under the pointer; a click on a plane takes it as the blue minimum") \
    X(Picture2, Plane, Normal, 872, 408, 217, 169, "", core::NoColour, "The blue plane, or the pixel reduction")
// clang-format on

struct Control {
    const char *name;
    Kind kind;
    Font font;
    float left, top, width, height;
    const char *caption;
    core::Colour colour;
    const char *tip; // what it does, in one line
};

// Every control of the main window, in creation order.
std::span<const Control> form1Controls();

// Which controls serve a channel: the names do not follow the channels' order.
struct ChannelControls {
    const char *minimum, *maximum;               // its threshold bars
    const char *minimumReadout, *maximumReadout; // their values
    const char *plane, *probe, *zoom;            // its plane, the probe's read-out, zoom option
    const char *local;                           // its local method, where it has one
};
const ChannelControls &channelControls(Channel c);
// The picture box that shows a view.
const char *viewBox(View v);

} // namespace layout
