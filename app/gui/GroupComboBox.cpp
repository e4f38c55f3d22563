#include "app/gui/GroupComboBox.h"

TGroupComboBox::TGroupComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(18);
}

void TGroupComboBox::showPopup()
{
    if (OnDropDown)
        OnDropDown();
    QComboBox::showPopup();
}
