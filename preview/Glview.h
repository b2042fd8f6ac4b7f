// The 3D preview of the tool path of the last conversion run.
#pragma once

#include <QDialog>

class TGLForm : public QDialog {
    Q_OBJECT
public:
    explicit TGLForm(QWidget* parent = nullptr);
};
