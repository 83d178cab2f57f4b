#include "dialogs/selecttrace.h"

#include "dialogs/channelrows.h"
#include "dialogs/mydialogselect.h"
#include "store/channelcatalogue.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

void FillList(QTreeWidget& list, const ChannelCatalogue& cat)
{
    list.clear();
    list.setRootIsDecorated(true);
    for (const DasStreamChanInfo& entry : cat.Entries) {
        // A channel without a known rate cannot be drawn, so it is not offered.
        const double rate = EffectiveRate(entry);
        if (rate <= 0)
            continue;
        AddChannelRow(*FindOrAddGroupRow(list, GroupText(entry)), entry, rate);
    }
    list.sortByColumn(cat.SortColumn,
                      cat.SortOrder != 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    for (QTreeWidgetItemIterator it(&list); *it; ++it) {
        if (!IsChannelRow(*it))
            (*it)->setExpanded((*it)->checkState(MyDialogSelect::ColumnDas) != Qt::Unchecked);
    }
}

// Rows are matched to entries by their texts: while the dialog was open the catalogue may
// have gained channels and been re-sorted.
void ApplyList(QTreeWidget& list, ChannelCatalogue& cat)
{
    const QHeaderView* header = list.header();
    cat.SortColumn = header->sortIndicatorSection();
    cat.SortOrder = header->sortIndicatorOrder() == Qt::AscendingOrder ? 1 : 0;
    int displayIndex = 0;
    for (QTreeWidgetItemIterator it(&list); *it; ++it) {
        const QTreeWidgetItem& row = **it;
        if (!IsChannelRow(&row))
            continue;
        for (DasStreamChanInfo& entry : cat.Entries) {
            if (!RowShowsEntry(row, entry))
                continue;
            if (row.checkState(MyDialogSelect::ColumnDas) == Qt::Checked) {
                entry.Active = 1;
                entry.DisplayIndex = displayIndex++;
            } else {
                entry.Active = 0;
            }
            entry.TraceColor = ColorFromText(row.text(MyDialogSelect::ColumnColor));
            break;
        }
    }
}

} // namespace

void SelectTrace(QWidget* parent, ChannelCatalogue& cat)
{
    for (;;) {
        MyDialogSelect dialog(parent, nullptr, true);
        FillList(*dialog.listView1, cat);
        if (dialog.exec() != QDialog::Accepted)
            return;
        if (dialog.refreshRequested != 0)
            continue;
        ApplyList(*dialog.listView1, cat);
        return;
    }
}
