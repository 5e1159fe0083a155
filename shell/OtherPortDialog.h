#pragma once
// "Other port...": the serial devices present, adapters first under their
// stable names, and a field for any device path the list does not show.
#include <QDialog>
#include <optional>
#include <string>

#include "link/Questions.h"

class MessageCatalogue;
class QLineEdit;
class QListWidget;
class QPushButton;

class TOtherPortForm : public QDialog {
    Q_OBJECT

public:
    TOtherPortForm(const PortQuestion& question, const MessageCatalogue& catalogue,
                   QWidget* parent = nullptr);

    // The device in the field; empty when there is none.
    std::string ChosenPath() const;

private:
    void RowChosen();
    void PathEdited();

    PortQuestion question_;
    QListWidget* portList_ = nullptr;
    QLineEdit* portPath_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

// Shows the dialog modally; the chosen device, or nothing when cancelled.
std::optional<std::string> AskOtherPort(const PortQuestion& question,
                                        const MessageCatalogue& catalogue, QWidget* parent);
