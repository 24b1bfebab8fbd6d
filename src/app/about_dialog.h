#pragma once

#include <QDialog>

// The program's About box: its icon, name and version, and an OK button.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
};
