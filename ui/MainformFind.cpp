// Finding one's way in a long program: Ctrl+G goes to a line number (the
// numbers the reports and the list's margin give), Ctrl+F finds text in the
// source and F3 finds it again further down.
#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QListView>
#include <QMenu>

#include "ui/LineListModel.h"
#include "ui/Mainform.h"
#include "ui/UiText.h"
#include "ui/WindowText.h"

void TForm1::createFindMenu()
{
    Editio1->addSeparator();
    AllerLigne1 = Editio1->addAction(QString());
    AllerLigne1->setObjectName(QStringLiteral("AllerLigne1"));
    AllerLigne1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    Rechercher1 = Editio1->addAction(QString());
    Rechercher1->setObjectName(QStringLiteral("Rechercher1"));
    Rechercher1->setShortcut(QKeySequence::Find);
    RechercherSuivant1 = Editio1->addAction(QString());
    RechercherSuivant1->setObjectName(QStringLiteral("RechercherSuivant1"));
    RechercherSuivant1->setShortcut(QKeySequence(Qt::Key_F3));
    connect(AllerLigne1, &QAction::triggered, this, &TForm1::AllerLigne1Click);
    connect(Rechercher1, &QAction::triggered, this, &TForm1::Rechercher1Click);
    connect(RechercherSuivant1, &QAction::triggered, this, &TForm1::RechercherSuivant1Click);
}

bool TForm1::goToLine(int line)
{
    if (running_ || line < 1 || static_cast<std::size_t>(line) > sourceModel_->size())
        return false;
    clickSourceLine(line - 1);
    Source->scrollTo(sourceModel_->index(line - 1), QAbstractItemView::PositionAtCenter);
    Source->setFocus();
    showSelectionStatus();
    return true;
}

void TForm1::AllerLigne1Click()
{
    const int lines = static_cast<int>(sourceModel_->size());
    if (running_ || lines == 0)
        return;
    const QModelIndexList selected = Source->selectionModel()->selectedRows();
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("AllerLigneDlg"));
    dialog.setWindowTitle(windowText(language_, WindowText::GoToLineCaption));
    dialog.setLabelText(
        windowText(language_, WindowText::GoToLineLabel).arg(QString::number(lines)));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(1, lines);
    dialog.setIntValue(selected.isEmpty() ? 1 : selected.constFirst().row() + 1);
    dialog.setOkButtonText(uiText(language_, 20));
    dialog.setCancelButtonText(uiText(language_, 21));
    if (execDialog(dialog) == QDialog::Accepted)
        goToLine(dialog.intValue());
}

bool TForm1::findText(const QString& text)
{
    const std::size_t count = sourceModel_->size();
    if (running_ || text.isEmpty() || count == 0)
        return false;
    const QModelIndexList selected = Source->selectionModel()->selectedRows();
    const std::size_t from = selected.isEmpty() ? 0 : selected.constFirst().row() + 1;
    // Down from the line after the selected one, then round from the top.
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t row = (from + k) % count;
        if (!sourceLineToQString(sourceModel_->lines()[row]).contains(text, Qt::CaseInsensitive))
            continue;
        goToLine(static_cast<int>(row) + 1);
        if (row < from)
            StatusLine->setText(windowText(language_, WindowText::FindFoundWrapped).arg(text));
        return true;
    }
    StatusLine->setText(windowText(language_, WindowText::FindNotFound).arg(text));
    return false;
}

void TForm1::Rechercher1Click()
{
    if (running_ || sourceModel_->size() == 0)
        return;
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("RechercherDlg"));
    dialog.setWindowTitle(windowText(language_, WindowText::FindCaption));
    dialog.setLabelText(windowText(language_, WindowText::FindLabel));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(findString_);
    dialog.setOkButtonText(uiText(language_, 20));
    dialog.setCancelButtonText(uiText(language_, 21));
    if (execDialog(dialog) != QDialog::Accepted || dialog.textValue().isEmpty())
        return;
    findString_ = dialog.textValue();
    findText(findString_);
}

void TForm1::RechercherSuivant1Click()
{
    if (findString_.isEmpty())
        Rechercher1Click();
    else
        findText(findString_);
}
