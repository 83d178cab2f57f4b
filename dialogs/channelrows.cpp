#include "dialogs/channelrows.h"

#include "dialogs/selectcolumns.h"
#include "packets/numbertext.h"
#include "store/dasstreamchaninfo.h"
#include "store/rgb.h"

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QTreeWidget>
#include <QTreeWidgetItem>

QString GroupText(const DasStreamChanInfo& entry)
{
    return QString::asprintf("%04X-%02d", entry.DasId, entry.Stream + 1);
}

QString DasText(const DasStreamChanInfo& entry)
{
    return QString::asprintf("%04X", entry.DasId);
}

QString StreamText(const DasStreamChanInfo& entry)
{
    return QString::asprintf("%02d", entry.Stream + 1);
}

QString ChannelText(const DasStreamChanInfo& entry)
{
    return QString::asprintf("%02d", entry.Channel + 1);
}

QString RateText(double rate)
{
    return QString::fromStdString(FormatG(rate));
}

Rgb ColorFromText(const QString& text)
{
    return ParseColorText(text).value_or(Rgb{255, 0, 0});
}

QTreeWidgetItem* FindOrAddGroupRow(QTreeWidget& list, const QString& text)
{
    const QList<QTreeWidgetItem*> found = list.findItems(text, Qt::MatchFixedString, ColumnDas);
    if (!found.isEmpty())
        return found.first();
    auto* group = new QTreeWidgetItem(&list);
    group->setText(ColumnDas, text);
    group->setFlags(group->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
    // Set before the channel rows exist: on a tristate row it would be pushed down to them.
    group->setCheckState(ColumnDas, Qt::Unchecked);
    return group;
}

QTreeWidgetItem* AddChannelRow(QTreeWidgetItem& group, const DasStreamChanInfo& entry, double rate)
{
    auto* row = new QTreeWidgetItem(&group);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setText(ColumnDas, DasText(entry));
    row->setText(ColumnStream, StreamText(entry));
    row->setText(ColumnChannel, ChannelText(entry));
    row->setText(ColumnRate, RateText(rate));
    const Rgb& c = entry.TraceColor;
    SetRowColor(row, QColor(c.Red, c.Green, c.Blue));
    row->setCheckState(ColumnDas, entry.Active != 0 ? Qt::Checked : Qt::Unchecked);
    return row;
}

bool IsChannelRow(const QTreeWidgetItem* row)
{
    return row && row->parent() != nullptr;
}

void SetRowColor(QTreeWidgetItem* row, const QColor& color)
{
    QPixmap swatch(16, 16);
    swatch.fill(color);
    row->setIcon(ColumnColor, QIcon(swatch));
    row->setText(ColumnColor, ColorText(Rgb{static_cast<std::uint8_t>(color.red()),
                                            static_cast<std::uint8_t>(color.green()),
                                            static_cast<std::uint8_t>(color.blue())}));
}

bool RowShowsEntry(const QTreeWidgetItem& row, const DasStreamChanInfo& entry)
{
    return row.text(ColumnDas) == DasText(entry) && row.text(ColumnStream) == StreamText(entry) &&
           row.text(ColumnChannel) == ChannelText(entry);
}
