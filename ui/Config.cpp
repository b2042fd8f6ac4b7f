#include "ui/Config.h"

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Config Tolvane"));
}
