#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QListWidget;

namespace hostaq {

// "Change Icon": the images of one file to choose from. An empty file stands for the program's
// built-in set; Browse... picks another image file, whose images are listed instead.
class TFormIconPicker : public QDialog {
    Q_OBJECT
public:
    TFormIconPicker(QWidget* parent, const std::string& file, int index);

    // True when an image was chosen; file and index then name it.
    bool Execute(std::string& file, int& index);

    void Browse();
    void UseBuiltIn();
    // Lists the images of file and selects index (the first when it has no such image).
    void ShowFile(const QString& file, int index);

private:
    QLineEdit* file_;
    QListWidget* icons_;
};

} // namespace hostaq
