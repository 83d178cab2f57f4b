#pragma once

#include <QString>

class QColor;
class QTreeWidget;
class QTreeWidgetItem;
struct DasStreamChanInfo;
struct Rgb;

// The rows of the component selection list and their texts.

QString GroupText(const DasStreamChanInfo& entry);
QString DasText(const DasStreamChanInfo& entry);
QString StreamText(const DasStreamChanInfo& entry);
QString ChannelText(const DasStreamChanInfo& entry);
QString RateText(double rate);

// The entry's colour when the text reads as three integers, else red.
Rgb ColorFromText(const QString& text);

// Finds the (unit, stream) group row by its text, case-insensitive, or adds it at the top.
QTreeWidgetItem* FindOrAddGroupRow(QTreeWidget& list, const QString& text);
// Adds the entry's channel row under the group, checked when the entry is active.
QTreeWidgetItem* AddChannelRow(QTreeWidgetItem& group, const DasStreamChanInfo& entry, double rate);
bool IsChannelRow(const QTreeWidgetItem* row);
// The 16 x 16 swatch and the "(r,g,b)" text of the colour column.
void SetRowColor(QTreeWidgetItem* row, const QColor& color);
// True when the channel row shows this entry's unit, stream and channel.
bool RowShowsEntry(const QTreeWidgetItem& row, const DasStreamChanInfo& entry);
