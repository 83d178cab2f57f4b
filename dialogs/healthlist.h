#pragma once

#include <QDialog>

class QTreeWidget;
struct ChannelCatalogue;
struct HealthBoard;

// The health list: one row per judged catalogue channel and per stored selection not heard
// yet, worst first. Not modal, so the traces keep moving; the owner refreshes it after each
// judgement.
class HealthList : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(HealthList)

public:
    enum Column
    {
        ColumnChannel,
        ColumnName,
        ColumnState,
        ColumnLastPacket,
        ColumnDelay,
        ColumnGaps,
        ColumnMissing,
        ColumnRate,
        ColumnMinMax,
        ColumnCount
    };

    HealthList(const HealthBoard& board, const ChannelCatalogue& cat, QWidget* parent = nullptr);

    QTreeWidget* listViewHealth = nullptr;

public slots:
    // Rows anew from the latest judgement, in the order the operator chose.
    void Refresh();

protected slots:
    virtual void languageChange();

private:
    const HealthBoard& board_;
    const ChannelCatalogue& cat_;
};
