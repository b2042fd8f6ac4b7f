#include "preview/Glview.h"

TGLForm::TGLForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Preview"));
}
