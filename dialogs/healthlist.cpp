#include "dialogs/healthlist.h"

#include "display/tracelabels.h"
#include "packets/numbertext.h"
#include "store/channelcatalogue.h"
#include "store/healthboard.h"
#include "store/healthtext.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kSortKey = Qt::UserRole;

// Rows sort by their key where a column has one (state by severity, times and counts by
// value), otherwise by text.
class HealthItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(column, kSortKey);
        const QVariant b = other.data(column, kSortKey);
        if (a.isValid() && b.isValid())
            return a.toDouble() < b.toDouble();
        return text(column) < other.text(column);
    }
};

void Put(QTreeWidgetItem& row, int column, const QString& text, double key)
{
    row.setText(column, text);
    row.setData(column, kSortKey, key);
}

QString RateText(const DasStreamChanInfo& e)
{
    const double rate = EffectiveRate(e);
    if (!(rate > 0.0))
        return QStringLiteral("–");
    char text[32];
    FormatG(rate, text, sizeof text);
    return QString::fromLatin1(text);
}

QString GapsText(const ChannelHealth& h)
{
    QString text = QString::number(h.GapsHour);
    if (h.OverlapsHour > 0)
        text += QStringLiteral(" (+%1 overlaps)").arg(h.OverlapsHour);
    return text;
}

void FillEntryRow(QTreeWidgetItem& row, const DasStreamChanInfo& e, int order)
{
    const ChannelHealth& h = e.Health;
    row.setText(HealthList::ColumnChannel, ChannelLabelText(e));
    row.setText(HealthList::ColumnName, e.Name);
    const QString mark = HealthMarkText(h);
    Put(row, HealthList::ColumnState, mark.isEmpty() ? HealthStateWord(h.Worst) : mark,
        static_cast<int>(h.Worst) * 1e6 + order);
    if (!h.Heard) {
        for (int c = HealthList::ColumnLastPacket; c < HealthList::ColumnCount; ++c)
            Put(row, c, QStringLiteral("–"), -1e18);
        return;
    }
    Put(row, HealthList::ColumnLastPacket, HealthSpanText(h.SilentMs) + QStringLiteral(" ago"),
        static_cast<double>(h.SilentMs));
    Put(row, HealthList::ColumnDelay, HealthDelayText(h.DelayMs), static_cast<double>(h.DelayMs));
    Put(row, HealthList::ColumnGaps, GapsText(h), h.GapsHour + h.OverlapsHour);
    Put(row, HealthList::ColumnMissing, HealthSpanText(h.MissingHourMs),
        static_cast<double>(h.MissingHourMs));
    Put(row, HealthList::ColumnRate, RateText(e), EffectiveRate(e));
    Put(row, HealthList::ColumnMinMax, QStringLiteral("%1 / %2").arg(h.LastMin).arg(h.LastMax),
        h.LastMax - static_cast<double>(h.LastMin));
}

void FillStoredRow(QTreeWidgetItem& row, const StoredSelection& sel, int order)
{
    DasStreamChanInfo e;
    e.DasId = sel.DasId;
    e.Stream = sel.Stream;
    e.Channel = sel.Channel;
    row.setText(HealthList::ColumnChannel, ChannelLabelText(e));
    row.setText(HealthList::ColumnName, sel.Name);
    Put(row, HealthList::ColumnState,
        NeverHeardMarkText() + QStringLiteral(" · Save Current Settings will not keep it"),
        static_cast<int>(HealthState::NeverHeard) * 1e6 + order);
    for (int c = HealthList::ColumnLastPacket; c < HealthList::ColumnCount; ++c)
        Put(row, c, QStringLiteral("–"), -1e18);
}

} // namespace

HealthList::HealthList(const HealthBoard& board, const ChannelCatalogue& cat, QWidget* parent)
    : QDialog(parent), board_(board), cat_(cat)
{
    setObjectName(QStringLiteral("HealthList"));
    setModal(false);
    setSizeGripEnabled(true);
    listViewHealth = new QTreeWidget(this);
    listViewHealth->setObjectName(QStringLiteral("listViewHealth"));
    listViewHealth->setColumnCount(ColumnCount);
    listViewHealth->setRootIsDecorated(false);
    listViewHealth->setAllColumnsShowFocus(true);
    listViewHealth->setSortingEnabled(true);
    listViewHealth->header()->setSortIndicatorShown(true);
    listViewHealth->sortByColumn(ColumnState, Qt::AscendingOrder);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listViewHealth);
    languageChange();
    resize(900, 400);
    Refresh();
    // Fitted once; later refreshes keep what the operator made of them.
    listViewHealth->header()->resizeSections(QHeaderView::ResizeToContents);
}

void HealthList::languageChange()
{
    setWindowTitle(tr("Channel Health"));
    listViewHealth->setHeaderLabels({tr("Channel"), tr("Name"), tr("State"), tr("Last packet"),
                                     tr("Delay"), tr("Gaps (1 h)"), tr("Missing (1 h)"), tr("Rate"),
                                     tr("Min / Max")});
}

void HealthList::Refresh()
{
    QTreeWidget& list = *listViewHealth;
    const QTreeWidgetItem* current = list.currentItem();
    const QString currentChannel = current ? current->text(ColumnChannel) : QString();
    const int column = list.header()->sortIndicatorSection();
    const Qt::SortOrder order = list.header()->sortIndicatorOrder();
    list.setSortingEnabled(false);
    list.clear();
    const std::vector<HealthRow> rows = HealthRows(board_, cat_);
    int n = 0;
    for (const HealthRow& r : rows) {
        auto* row = new HealthItem(&list);
        if (r.Entry >= 0)
            FillEntryRow(*row, cat_.Entries[static_cast<std::size_t>(r.Entry)], n);
        else
            FillStoredRow(*row, board_.Stored[static_cast<std::size_t>(r.Stored)], n);
        ++n;
        if (!currentChannel.isEmpty() && row->text(ColumnChannel) == currentChannel)
            list.setCurrentItem(row);
    }
    list.setSortingEnabled(true);
    list.sortByColumn(column, order);
}
