#include "dialogs/settimerange.h"

#include "dialogs/timerangedialog.h"
#include "display/displaystate.h"

#include <QLineEdit>

#include <algorithm>
#include <cstdint>
#include <limits>

int MonitorIntervalMs(int TimeRange)
{
    const std::int64_t ms = std::int64_t{TimeRange} * 50;
    return static_cast<int>(std::clamp<std::int64_t>(ms, 1, std::numeric_limits<int>::max()));
}

int FieldValue(const QString& text)
{
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    bool ok = false;
    const int value = digits.toInt(&ok, 10);
    return ok ? value : 0;
}

bool SetTimeRange(QWidget* parent, int& TimeRange, int& TimeShift)
{
    const int rangeBefore = TimeRange;
    const int shiftBefore = TimeShift;
    for (;;) {
        TimeRangeDialog dialog(parent, nullptr, true);
        dialog.lineEdit1->setText(QString::number(TimeRange));
        dialog.lineEdit2->setText(QString::number(TimeShift));
        if (dialog.exec() != QDialog::Accepted) {
            // Also after a refused range: a range that cannot be drawn must not stay in force.
            TimeRange = rangeBefore;
            TimeShift = shiftBefore;
            return false;
        }
        TimeRange = FieldValue(dialog.lineEdit1->text());
        TimeShift = FieldValue(dialog.lineEdit2->text());
        if (TimeRange >= kMinTimeRange && TimeRange <= kMaxTimeRange)
            return true;
    }
}
