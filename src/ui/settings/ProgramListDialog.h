#pragma once

#include "engine/ProgramList.h"

#include <QDialog>
#include <QListWidget>
#include <vector>

class QCheckBox;
class QComboBox;

namespace hostaq {

// Where a program moves to in the list: Up, Down, Top, Bottom.
enum class TProgramMove { Up, Down, Top, Bottom };
// The new position of the entry at index in a list of count entries.
int MovedPosition(int index, int count, TProgramMove move);

// The list of the editor: files dropped on it become programs.
class TProgramListWidget : public QListWidget {
    Q_OBJECT
public:
    explicit TProgramListWidget(QWidget* parent = nullptr);

signals:
    void FilesDropped(const QStringList& files);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// The program list editor of one list: the run list (section Run, Options/Delay) or the
// disconnect list (section DisconnectRun, Options/DisconnectDelay). OK saves the list and its
// delay as one update of the file.
class TFormProgramList : public QDialog {
    Q_OBJECT
public:
    TFormProgramList(QWidget* parent, bool runList);

    bool Execute();
    std::vector<TProgramEntry> Entries() const;
    int Delay() const;

    void AddProgram();
    void RemoveProgram();
    void EditProgram();
    void Move(TProgramMove move);
    void AddFiles(const QStringList& files);
    void accept() override;

private:
    void AddEntry(const TProgramEntry& entry);
    void ShowEntry(QListWidgetItem* item, const TProgramEntry& entry);
    TProgramEntry EntryOf(const QListWidgetItem* item) const;

    bool runList_;
    TProgramListWidget* list_;
    QComboBox* delay_;
};

// The settings of one program: the command line (with a history of the last ten), "Enable this
// program to be run" and, for the run list only, "Only when IP changes after update".
class TFormProgramItem : public QDialog {
    Q_OBJECT
public:
    TFormProgramItem(QWidget* parent, bool runList, const TProgramEntry& entry);

    // True on OK; entry then holds the edited program.
    bool Execute(TProgramEntry& entry);
    TProgramEntry Entry() const;

    void Browse();
    void accept() override;

private:
    QComboBox* program_;
    QCheckBox* enabled_;
    QCheckBox* onlyWhenChanged_;
};

} // namespace hostaq
