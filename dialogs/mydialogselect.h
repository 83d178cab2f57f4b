#pragma once

#include "dialogs/selectcolumns.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// The component selection list: one group row per (unit, stream) with its channel rows.
class MyDialogSelect : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(MyDialogSelect)

public:
    using enum SelectColumn;

    explicit MyDialogSelect(QWidget* parent = nullptr, const char* name = nullptr,
                            bool modal = false, Qt::WindowFlags flags = {});
    ~MyDialogSelect() override;

    QPushButton* buttonRefresh = nullptr;
    QPushButton* buttonOk = nullptr;
    QPushButton* buttonCancel = nullptr;
    QPushButton* pushButton4 = nullptr;
    QTreeWidget* listView1 = nullptr;
    int refreshRequested = 0;

public slots:
    virtual void Refresh_Button();
    virtual void ChangeColor();

protected slots:
    virtual void languageChange();
};
