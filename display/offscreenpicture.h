#pragma once

class QPainter;
class QPaintDevice;
class QPixmap;
class QRect;
class QSize;
struct ChannelCatalogue;
struct DisplayState;
struct PacketStore;

// The off-screen picture of the traces. It is made at the screen's device pixel ratio, so that
// on a high-density screen traces and labels are drawn at full resolution; sizes here are the
// window's own (logical) pixels.

// A new picture is needed when there is none (a null pixmap), when the window has grown past it
// in width or height, or when the device pixel ratio changed. A shrinking window keeps the
// larger picture.
bool NeedsNewPicture(const QPixmap& picture, const QSize& windowSize, double devicePixelRatio);

// Applies the rule: releases the old picture and makes one of the window's size. True when it
// made a new picture (the caller then redraws). A picture that cannot be made leaves picture
// null, and DrawDTInto then draws nothing.
bool ResizePicture(QPixmap& picture, const QSize& windowSize, double devicePixelRatio = 1.0);

// DrawDT into the picture, reading the computer's clock for time mode 4. windowRect is the
// window's rectangle; the bars' heights keep the plot clear of them. Nothing happens without a
// picture. True when the window should be repainted.
bool DrawDTInto(QPaintDevice* picture, const QRect& windowRect, int menuBarHeight,
                int statusBarHeight, DisplayState& ds, ChannelCatalogue& cat,
                const PacketStore& store);

// Body of the paint handler: the whole picture, at its own size, at (0,0), as a plain copy.
void CopyPicture(QPainter& p, const QPixmap& picture);
