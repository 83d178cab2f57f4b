#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <QTest>
#include <QWidget>

#include <initializer_list>

// One child of a form as it is built: object name, parent's object name, geometry (a null
// rectangle: not checked), and its text: a button's or a label's text, a group box's title or a
// line edit's input mask.
struct FormRow
{
    const char* Name;
    const char* Parent;
    QRect Geometry;
    const char* Text;
};

// Checks each row against the form's children; fails at the first child that differs.
inline void CheckForm(const QWidget& form, std::initializer_list<FormRow> rows)
{
    for (const FormRow& row : rows) {
        const auto* child = form.findChild<QWidget*>(QLatin1String(row.Name));
        QVERIFY2(child, row.Name);
        QCOMPARE(child->parentWidget()->objectName(), QLatin1String(row.Parent));
        if (!row.Geometry.isNull())
            QCOMPARE(child->geometry(), row.Geometry);
        QString text;
        if (const auto* button = qobject_cast<const QAbstractButton*>(child))
            text = button->text();
        else if (const auto* label = qobject_cast<const QLabel*>(child))
            text = label->text();
        else if (const auto* box = qobject_cast<const QGroupBox*>(child))
            text = box->title();
        else if (const auto* edit = qobject_cast<const QLineEdit*>(child))
            text = edit->inputMask();
        QCOMPARE(text, QString::fromUtf8(row.Text));
    }
}
