#include "dialogs/tremvueicon.h"

namespace {

// Drawn by art/makeart.py: a seismogram on a rounded square.
const unsigned char kIconPng[] = {
#include "dialogs/tremvueicon.inc"
};

} // namespace

QPixmap TremvueIcon()
{
    QPixmap icon;
    icon.loadFromData(kIconPng, sizeof kIconPng, "PNG");
    return icon;
}
