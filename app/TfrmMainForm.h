#pragma once
// The main window: shows one project on its tabs, keeps the project list and the controls in
// step, and runs the File-menu commands.
#include <QMainWindow>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

#include "engine/CreateCommands.h"
#include "engine/OpenOutput.h"
#include "project/EditedProject.h"
#include "project/ProjectList.h"
#include "project/ProjectDocument.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QWidget;

namespace Ui {
class TfrmMainForm;
}
namespace sl {
class EngineRunner;
class SettingsStore;
}
namespace sl::hotspot {
class HotspotPanel;
}

class TfrmMainForm : public QMainWindow, public sl::EditedProject
{
    Q_OBJECT

public:
    // Runs the whole start-up: settings, bindings, sprite rows, template lists and the first
    // command-line argument (`arguments` without the program name).
    explicit TfrmMainForm(const QStringList &arguments = {}, QWidget *parent = nullptr);
    ~TfrmMainForm() override;

    // Project access.
    QString GetValue(const QString &key, const QString &def = QString()) const override;
    void SetValue(const QString &key, const QString &value, const QString &def = QString()) override;
    void ResetValue(const QString &key);
    void RemoveKey(const QString &key);
    sl::ProjectList &projectList() override { return ProjectList; }
    const sl::BindingDefaults &bindingDefaults() const { return BindingDefaults; }
    const QList<QPointer<QWidget>> &boundControls() const { return BoundControls; }

    // Transfer between the project and the controls.
    void AddBinding(const QString &key, QWidget *control, const QString &def);
    void ProjectToControls() override;
    void ControlsToProject() override;
    void ProjectToMemo();
    void MemoToProject();
    void edExit();

    // Project files.
    bool OpenProject(const QString &fileName);
    void NewProjectFile(const QString &fileName);
    bool SaveProject(const QString &target = QString());
    void ApplyTemplate(const QString &fileName);
    bool FormCloseQuery();
    void EnableProjectUI();
    void UpdateMetaVersion();
    bool isModified() const;
    QString projectFileName() const { return ProjectFileName; }
    QString projectSnapshot() const { return ProjectSnapshot; }
    QString basePath() const override;
    QString programDir() const override;

    // Recent lists.
    void AddRecentFile(const QString &fileName, bool isTemplate);
    void BuildRecentMenus();

    // Window state.
    void SetProjectCaption(const QString &fileName);
    void UpdateButtons();

    sl::SettingsStore &settings() { return *m_store; }
    bool ConfirmOverwrite = true;
    bool confirmOverwrite() const override { return ConfirmOverwrite; }
    QStringList FaceNames;
    QStringList faceNames() const override { return FaceNames; }
    QList<QPushButton *> SpriteEditButtons;   // index 0 is row 1
    QList<QPushButton *> SpriteDeleteButtons; // index 0 is row 1

    Ui::TfrmMainForm *ui;

    // Tabs of `pc` are shown and hidden by taking them out of the tab bar and putting them back
    // at their place, so the tab bar never lays out hidden tabs.
    void setPageVisible(QWidget *page, bool visible);
    bool isPageVisible(QWidget *page) const;

    // ---- Project type, special keys, window state, tile size, pickers and colours
    // (TfrmMainFormState.cpp)
    // Switches the window to a project type (0 cube faces .. 5 light table); nothing when the
    // type is the current one.
    void SetProjectType(int type) override;
    int projectType() const override { return ProjectType; }
    // The tile size proposed for the start view; 0 when there is none.
    int optimalTileSize() const { return OptimalTileSize; }
    // Recognises a cube-face set or (in a sequence project) an object sequence from one of its
    // files: the base name, empty when nothing was recognised (unless quiet, the reason is shown
    // as a notice). `dosUp` and `isTiff` are set on success, `rows` and `columns` for a sequence.
    QString RecognizeImagePattern(const QString &fileName, bool quiet, bool *dosUp = nullptr,
                                  bool *isTiff = nullptr, int *rows = nullptr, int *columns = nullptr);
    // Handlers (what the user's clicks, choices and double-clicks run).
    void rgCylinderClick(QWidget *sender);
    void cbUseDosUPClick();
    void btOpenInputfileClick();
    void btOpenCubeFileClick();
    void btOutputFileClick();
    void cbOutputFormatChange(int index);
    void btResetPanTiltFovClick();
    void btOpenSoundFileClick();
    void rgAutoPlayClick(QWidget *sender);
    void rgAutoRotateClick(QWidget *sender);
    void lbTilesizeHintClick();
    void CheckTileSize();
    void edTileSizeExit();
    void cbMultiTilesChange();
    void cbTilesizeAutoClick(bool checked);
    void btQualTilesClick();
    void btThumbFileDlgClick();
    void btHtmlSaveDlgClick();
    void btSaveStripClick();
    void btSelectFlashFileClick();
    void btPreLoadImageClick();
    void sThumbBgColorMouseDown();
    void cbThumbnailbgTransparentClick(bool checked);
    void spFlashPreloadColorMouseDown(QWidget *swatch);
    void cbFlashPreloadTilesColorNoiseClick(bool checked);

    // ---- Engine runs, create and open commands (TfrmMainFormEngine.cpp)
    // Runs the engine with these options on the project; the exit code, or -1 when nothing ran
    // or the engine reported an error.
    int RunEngine(const QStringList &options, bool backToPreviousTab) override;
    void stopEngine() override { btStopClick(); }
    void AddConsoleLine(const QString &text) override;
    void SetBusy(bool busy);
    bool isBusy() const;
    int CreateOutput(int format);
    void OpenOutput();
    sl::EngineRunner &engineRunner();

    // Called after the window is shown: reports what start-up could not do.
    void reportStartupProblems();

    // ---- Sprite rows and the convert dialog (TfrmMainFormEditors.cpp)
    QStringList interpolatorNames() const override;
    void btSpriteEditClick(QObject *sender);
    void btSpriteDeleteClick(QObject *sender);
    void btConvertClick();
    // ---- Dialogs and help (TfrmMainFormDialogs.cpp)
    void miAboutClick();
    void miOptionsClick();
    void miOpenHelpfileClick();
    // Help for the focused control's keyword, else the contents (F1).
    void ApplicationHelp();
    // The droplet dialog for a saved template.
    void ShowCreateShortcut(const QString &templateFile);
    // ---- Preview windows (TfrmMainFormPreview.cpp)
    // Whether a preview may open: the movie component is present, at least version 6.5 (an
    // older one is named in a notice) and at least `minMajor`.
    bool CheckQuickTimeVersion(int minMajor);
    // The view-limit grabber on the output movie, offering to make the movie first.
    void btSpotInQTClick();
    // The tour-link editor for the selected hotspot.
    void spNextPanoramaClick();
    // ---- The light table (TfrmMainFormLightTable.cpp)
    void btObjectLightTableClick();
    // ---- The hotspot editor (TfrmMainFormHotspots.cpp; the work is done by the editor's panel)
    void InitHotspotEditing();
    void ResetHotspotEditing();
    // Writes the edited layer into its hotspot image; false (after a notice) when it failed.
    bool SaveHotspotLayer();
    bool HotspotsModified() const;
    void StoreHotspotProperties();
    void ShowHotspotProperties() override;
    sl::hotspot::HotspotPanel &hotspotEditor() { return *m_hotspots; }

public slots:
    void miNewProjectClick();
    void miOpenProjectClick();
    void miSaveClick();
    void miSaveAsClick();
    void miSaveasDefaultClick();
    void miResetDefaultClick();
    void miApplyTemplateClick();
    void miSaveastemplateClick();
    void miQuitClick();
    void miUsepano12dllClick();
    void btClearRecentClick();
    void pcChange(int index);
    void tsConfigfileShow();
    void mConfigFileExit();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate(const QStringList &arguments);
    void RegisterBindings();
    void BuildSpriteRows();
    void FillTemplateLists();
    void ActOnCommandLine(const QStringList &arguments);
    void FillHotspotList();
    void TranslateRuntimeTexts();
    void connectHandlers();
    void setExitHandler(QWidget *control, std::function<void()> handler);
    void commitFocusedControl();
    void commitMemoIfActive();
    bool setBasePath(const QString &folder);
    QString chooseProjectFile(const QString &title, const QString &folder, const QString &name);
    void RecentProjectClick(int slot);
    void RecentTemplateClick(int slot);
    void lbRecentFilesClick();
    void lbRecentFilesDblClick();
    void reportFileError(const QString &message);
    // A settings write failed: one notice with the store's reason.
    void reportSettingsError();

    // Special keys of the transfer (tile format, qualities, colours, anchors, project type,
    // autoplay, sprites, caption) and the migrations of old keys.
    void MigrateOldKeys();
    void SpecialKeysToControls();
    void ControlsToSpecialKeys();

    sl::ProjectList ProjectList;
    sl::BindingDefaults BindingDefaults;
    QList<QPointer<QWidget>> BoundControls;
    QString ProjectFileName;
    QString ProjectSnapshot;
    bool m_neverSaved = false; // a new project counts as modified until its first save
    bool FillingControls = false;
    bool m_memoStale = true; // the raw-text memo is filled when its tab is shown
    static constexpr qsizetype kLongestShownLine = 100000; // longer lines are not laid out in the memo
    bool ProjectToControlsActive = false;
    int ProjectType = 0;
    std::unique_ptr<sl::SettingsStore> m_store;
    QHash<QWidget *, std::function<void()>> m_exitHandlers;
    QList<int> m_recentListSlots; // slot of each entry of lbRecentFiles
    QStringList m_startupProblems;
    QLabel *m_statusPanels[3] = {nullptr, nullptr, nullptr};
    QPointer<QWidget> m_previousPage;
    struct Page
    {
        QWidget *widget;
        QString title;
    };
    QList<Page> m_pages; // every page of `pc` in tab order, shown or not

    // ---- State of the project type, tile and colour controls (TfrmMainFormState.cpp)
    void connectStateHandlers();
    void applyProjectTypeLayout(int type);
    QString runPicker(const char *dialog, const QString &proposedName);
    void setSwatchColour(QWidget *swatch, const QColor &colour);
    void sliderMoved(QWidget *slider, QWidget *edit);
    int OptimalTileSize = 0;
    bool m_mirroring = false; // a quality edit and its track bar are being put in step

    void connectEditorHandlers(); // TfrmMainFormEditors.cpp
    // ---- Dialogs and help (TfrmMainFormDialogs.cpp)
    void connectDialogHandlers();
    void FormDestroy();
    // ---- Preview windows (TfrmMainFormPreview.cpp)
    void connectPreviewHandlers();
    // Our own movie viewer at the given movie size, shown modally.
    void ShowMoviePreview(const QString &fileName, int width, int height);
    void connectLightTableHandlers();

    // ---- State of engine runs (TfrmMainFormEngine.cpp)
    void connectEngineHandlers();
    void appendConsoleLines(const QStringList &lines);
    sl::create::CreateHooks createHooks();
    sl::open::OpenHooks openHooks();
    sl::open::ViewerSettings viewerSettings() const;
    void openAfterCreation();
    void createHelper(int kind);
    void btStopClick();
    void miCreatemovClick();
    void miCreateMOVandOpenClick();
    void btBotCreateMovieClick();
    void btCreateThumbClick();
    void btCreateHtmlClick();
    void btCreateStripClick();
    void miOpenQuickTimeClick();
    void btOpenHelperClick(QObject *sender);
    void Button1Click();
    void edBasePathDblClick();
    std::unique_ptr<sl::EngineRunner> m_runner;
    bool m_busy = false;
    bool m_closeAfterRun = false; // the user closed the window and stopped the run

    // ---- Language menu (TfrmMainFormLanguage.cpp)
    void BuildLanguageMenu();
    void miLanguageClick(QAction *sender);
    // Translates the window again: the layout's texts (the titles of hidden tabs too), then
    // the captions and items set at run time.
    void RetranslateWindow();
    void reapplyProjectTypeCaptions(); // TfrmMainFormState.cpp
    QStringList LanguageCodes;        // item 0 "en", then the catalogues' codes
    QList<QAction *> m_languageItems; // menu item k stands for LanguageCodes item k
    QHash<QString, int> m_captionTypes; // control -> the project type whose caption it shows
    // ---- The hotspot editor (TfrmMainFormHotspots.cpp)
    void connectHotspotHandlers();
    void miCreatenewHotspotfilesClick();
    void spNextUrlClick();
    void FormKeyPress(int key);
    sl::hotspot::HotspotPanel *m_hotspots = nullptr; // a child of the window
};

