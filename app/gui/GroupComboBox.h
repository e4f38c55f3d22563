#pragma once

#include <QComboBox>

#include <functional>

// A drop-down list that lets its owner rebuild the items each time the list opens.
class TGroupComboBox : public QComboBox
{
public:
    explicit TGroupComboBox(QWidget *parent = nullptr);

    std::function<void()> OnDropDown;

    void showPopup() override;
};
