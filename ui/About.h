// The About box: program name, version, credits and the information text of
// the user's language, taken from the settings file.
#pragma once

#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};
