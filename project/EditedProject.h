#pragma once
// What a dialog or editor needs of the project it edits and of the window that shows it: the
// values, the transfer between the project and the window's controls, the folders, and the few
// services of the window that a dialog calls. The main window implements it; a test builds it on
// a plain project.
#include "project/ProjectList.h"
#include "project/TransferKeys.h"

#include <QString>
#include <QStringList>

namespace sl {

class EditedProject
{
public:
    virtual ~EditedProject() = default;

    // The value of the key's line; when absent `def`, where an empty default stands for the
    // key's binding default.
    virtual QString GetValue(const QString &key, const QString &def = QString()) const = 0;
    // Rewrites the key's line, else appends it when the value differs from `def` (empty: the
    // binding default).
    virtual void SetValue(const QString &key, const QString &value, const QString &def = QString()) = 0;
    // The project's lines, for what reads or replaces whole groups of them.
    virtual ProjectList &projectList() = 0;
    // GetValue, SetValue and the lines as the plain models take them; valid while this lives.
    ProjectAccess projectAccess();

    // The folder of the project file, against which relative names are taken; empty for none.
    virtual QString basePath() const = 0;
    // The program's folder, which holds the shipped sprites, templates and help.
    virtual QString programDir() const = 0;
    // The project type: 0 cube faces .. 5 light table.
    virtual int projectType() const = 0;
    // Switches the project and the window to a project type; nothing when it is the current one.
    virtual void SetProjectType(int type) = 0;
    // The six cube faces' names (front, right, back, left, top, bottom) in the start-up language.
    virtual QStringList faceNames() const = 0;
    // Whether an existing output file is replaced only after a question.
    virtual bool confirmOverwrite() const = 0;
    // The interpolators' names, in the order of "stitcher.interpolator".
    virtual QStringList interpolatorNames() const = 0;

    // Shows the project in the window's controls; due after every change made elsewhere.
    virtual void ProjectToControls() = 0;
    // Stores the window's bound controls into the project; due before settings are read.
    virtual void ControlsToProject() = 0;
    // Shows the selected hotspot's title and link in the window's hotspot fields.
    virtual void ShowHotspotProperties() = 0;

    // Runs the engine with these options on the project: its exit code, or -1 when nothing ran or
    // it reported an error. With `backToPreviousTab`, exit code 0 shows the tab shown before.
    virtual int RunEngine(const QStringList &options, bool backToPreviousTab) = 0;
    // Asks whether to end the engine's run, and ends it on Yes.
    virtual void stopEngine() = 0;
    // Adds a line to the console, whose tab is made visible first.
    virtual void AddConsoleLine(const QString &text) = 0;
};

} // namespace sl
