// The configuration dialog: machine mechanics, speeds, precision, editor and
// driver commands, user-interface language. OK writes the settings file.
#pragma once

#include <QDialog>

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};
