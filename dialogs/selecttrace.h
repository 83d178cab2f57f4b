#pragma once

class QWidget;
struct ChannelCatalogue;

// Lets the operator choose the shown channels, their order and colours; writes the choice and
// the list's sort column and order back into the catalogue on OK.
void SelectTrace(QWidget* parent, ChannelCatalogue& cat);
