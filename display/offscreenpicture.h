#pragma once

class QPainter;
class QPaintDevice;
class QPixmap;
class QRect;
class QSize;
struct ChannelCatalogue;
struct DisplayState;
struct PacketStore;

// Resize rule: a new picture of the window's size is needed when there is none (a null
// pixmap) or when the window has grown past it in width or height. A shrinking window keeps
// the larger picture.
bool NeedsNewPicture(const QSize& pictureSize, bool hasPicture, const QSize& windowSize);

// Applies the resize rule to picture: releases the old one and makes one of the window's size.
// True when it made a new picture (the caller then redraws). A picture that cannot be made
// leaves picture null, and DrawDTInto then draws nothing.
bool ResizePicture(QPixmap& picture, const QSize& windowSize);

// DrawDT into the off-screen picture, reading the computer's clock for time mode 4. windowRect
// is the window's rectangle; the bars' heights keep the plot clear of them. Nothing happens
// without a picture. True when the window should be repainted.
bool DrawDTInto(QPaintDevice* picture, const QRect& windowRect, int menuBarHeight,
                int statusBarHeight, DisplayState& ds, ChannelCatalogue& cat,
                const PacketStore& store);

// Body of the paint handler: the whole picture, at its own size, at (0,0), as a plain copy.
void CopyPicture(QPainter& p, const QPixmap& picture);
