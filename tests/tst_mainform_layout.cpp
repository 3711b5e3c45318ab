// The main window's layout: every control the window code relies on is there, with its class,
// texts, list items, place and starting state, and the window fits its minimum size.
#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>
#include <QtTest>

#include "ui_TfrmMainForm.h"

namespace {

enum Flag { Disabled = 1, Hidden = 2, Checked = 4, ReadOnly = 8 };

// text: caption or title (nullptr: not checked); items: list items joined by '\n' (nullptr: filled by code);
// where: the tab page holding a widget, or the menu / tool bar holding an action.
struct Expected
{
    const char *name, *cls, *text, *tip, *items;
    int flags;
    const char *shortcut, *where;
};

const Expected kControls[] = {
    {"btBotCreateMovie", "QPushButton", "Create", "", "", 0, "", "tsQTOptions"},
    {"btBotOpenMovie", "QPushButton", "Open", "Open the QuickTime Movie", "", 0, "", "tsQTOptions"},
    {"btClearRecent", "QPushButton", "clear list", "", "", 0, "", "tsStart"},
    {"btConvert", "QPushButton", "Convert to Cubic", "", "", 0, "", "tsOptions"},
    {"btCreateHtml", "QPushButton", "Create HTML", "", "", 0, "", "tsOutputHelp"},
    {"btCreateStrip", "QPushButton", "Create Strip", "", "", 0, "", "tsOutputHelp"},
    {"btCreateThumb", "QPushButton", "Create Thumbnail", "", "", 0, "", "tsOutputHelp"},
    {"btHtmlSaveDlg", "QPushButton", "...", "", "", 0, "", "tsOutputHelp"},
    {"btNewProjectClick", "QPushButton", "Create a new Project", "", "", 0, "", "tsStart"},
    {"btObjectLightTable", "QPushButton", "Open light-table", "", "", Hidden, "", "tsOptions"},
    {"btOpenCubeFile", "QPushButton", "...", "", "", 0, "", "tsOptions"},
    {"btOpenHtml", "QPushButton", "Open HTML", "", "", 0, "", "tsOutputHelp"},
    {"btOpenInputfile", "QPushButton", "...", "", "", 0, "", "tsOptions"},
    {"btOpenProjectClick", "QPushButton", "Open an existing Project", "", "", 0, "", "tsStart"},
    {"btOpenSoundFile", "QPushButton", "...", "", "", 0, "", "tsSprites"},
    {"btOpenStrip", "QPushButton", "Open Image", "", "", 0, "", "tsOutputHelp"},
    {"btOpenThumb", "QPushButton", "Open Thumbnail", "", "", 0, "", "tsOutputHelp"},
    {"btOutputFile", "QPushButton", "...", "", "", 0, "", "tsOptions"},
    {"btPreLoadImage", "QPushButton", "...", "", "", 0, "", "tsFlash2"},
    {"btQualTiles", "QPushButton", "Individual Tile Settings", "Quality for each single tile", "", 0, "", "tsQTOptions"},
    {"btResetPanTiltFov", "QPushButton", "Default", "Reset to the default values", "", 0, "", "tsQTOptions"},
    {"btSaveStrip", "QPushButton", "...", "", "", 0, "", "tsOutputHelp"},
    {"btSelectFlashFile", "QPushButton", "...", "", "", 0, "", "tsOptions"},
    {"btSpotInQT", "QPushButton", "Spot in QuickTime", "Display the movie to search for the best starting position", "", 0, "", "tsQTOptions"},
    {"btStop", "QPushButton", "Stop", "", "", 0, "", "tsConsole"},
    {"btThumbFileDlg", "QPushButton", "...", "", "", 0, "", "tsOutputHelp"},
    {"Button1", "QPushButton", "Open SPi-V", "", "", 0, "", "tsOutputHelp"},
    {"cbCompressedHeaders", "QCheckBox", "compressed headers", "", "", 0, "", "tsQTOptions"},
    {"cbCreateHotspots", "QCheckBox", "Enabled", "", "", 0, "", "tsHotSpotEdit"},
    {"cbFlashAutoOnlyInFocus", "QCheckBox", "only while in focus", "", "", Checked, "", "tsFlash"},
    {"cbFlashAutoOnlyLoaded", "QCheckBox", "start when loaded", "", "", 0, "", "tsFlash"},
    {"cbFlashAutorotateEnabled", "QCheckBox", "enabled", "", "", 0, "", "tsFlash"},
    {"cbFlashChangeRenderingQuality", "QCheckBox", "lower the quality while moving", "", "", 0, "", "tsFlash"},
    {"cbFlashController", "QComboBox", nullptr, "", "", 0, "", "tsFlash"},
    {"cbFlashMassSim", "QCheckBox", "simulate mass", "", "", Checked, "", "tsFlash"},
    {"cbFlashMeshAuto", "QCheckBox", "auto", "", "", Checked, "", "tsFlash"},
    {"cbFlashPreloaderEnabled", "QCheckBox", "enabled", "", "", Checked, "", "tsFlash2"},
    {"cbFlashPreloadTilesColorNoise", "QCheckBox", "noise", "", "", Checked, "", "tsFlash2"},
    {"cbFlashWindowScale", "QComboBox", nullptr, "", "no\nwith stage\nno border\nexact fit", 0, "", "tsFlash"},
    {"cbFlat", "QCheckBox", "no 3D distortion", "", "", Hidden, "", "tsQTOptions"},
    {"cbHotspot", "QComboBox", nullptr, "", nullptr, 0, "", "tsHotSpotEdit"},
    {"cbHotspotActiveTile", "QComboBox", nullptr, "", nullptr, 0, "", "tsHotSpotEdit"},
    {"cbHtmlTemplate", "QComboBox", nullptr, "", nullptr, 0, "", "tsOutputHelp"},
    {"cbInterpolator", "QComboBox", nullptr, "", nullptr, 0, "", "tsQTOptions"},
    {"cbMotQual", "QComboBox", nullptr, "", "Min\nLow\nNormal\nHigh\nMax\nLossless", 0, "", "tsQTOptions"},
    {"cbMultiTiles", "QComboBox", nullptr, "", "1 x 1\n3 x 3\n5 x 5", 0, "", "tsQTOptions"},
    {"cbObjControl", "QComboBox", nullptr, "", "Grabber/Scroller\nGrabber\nJoystick\nAbsolute", 0, "", "tsQTOptions"},
    {"cbObjectCanZoom", "QCheckBox", "zoom", "", "", 0, "", "tsQTOptions"},
    {"cbObjectRevHorizontal", "QCheckBox", "reverse horizontal", "", "", 0, "", "tsQTOptions"},
    {"cbObjectRevVertical", "QCheckBox", "reverse vertical", "", "", 0, "", "tsQTOptions"},
    {"cbObjectSwapHV", "QCheckBox", "swap horizontal and vertical", "", "", 0, "", "tsQTOptions"},
    {"cbObjectWarpPan", "QCheckBox", "wrap pan", "", "", Checked, "", "tsQTOptions"},
    {"cbObjectWarpTilt", "QCheckBox", "wrap tilt", "", "", 0, "", "tsQTOptions"},
    {"cbOpenAfter", "QCheckBox", "open after creation", "", "", Checked, "", "tsQTOptions"},
    {"cbOutputFormat", "QComboBox", nullptr, "", "QuickTime\nFlash", 0, "", "tsQTOptions"},
    {"cbPreview", "QCheckBox", "enabled", "", "", Checked, "", "tsQTOptions"},
    {"cbPreviewGray", "QCheckBox", "grayscale", "", "", Checked, "", "tsQTOptions"},
    {"cbProtection", "QCheckBox", "protect the movie", "", "", 0, "", "tsQTOptions"},
    {"cbQTVRFlattener", "QCheckBox", "QTVR flattener", "", "", 0, "", "tsQTOptions"},
    {"cbSize", "QComboBox", nullptr, "", "10%\n16%\n25%\n33%\n50%\n100%\n200%\n300%\n400%", 0, "", "tsHotSpotEdit"},
    {"cbStatQual", "QComboBox", nullptr, "", "Min\nLow\nNormal\nHigh\nMax\nLossless", 0, "", "tsQTOptions"},
    {"cbStitcherProgress", "QCheckBox", "show progress", "", "", Checked, "", "tsQTOptions"},
    {"cbThumbnailbgTransparent", "QCheckBox", "transparent", "Use the alpha-channel for PNG, GIF and TIFF thumbnails", "", 0, "", "tsOutputHelp"},
    {"cbThumbType", "QComboBox", nullptr, "", "Equirectangular\nWorld\nTunnel\nDefault View\nMirrorball\nSphere", 0, "", "tsOutputHelp"},
    {"cbTilesizeAuto", "QCheckBox", "auto", "", "", 0, "", "tsQTOptions"},
    {"cbUseDosUP", "QCheckBox", "Use the dosup numbering", "", "", Hidden, "", "tsOptions"},
    {"edAuthor", "QLineEdit", nullptr, "", "", 0, "", "tsQTUserData"},
    {"edBackgroundSound", "QLineEdit", nullptr, "", "", 0, "", "tsSprites"},
    {"edBasePath", "QLineEdit", nullptr, "", "", ReadOnly, "", "tsOptions"},
    {"edCopyright", "QLineEdit", nullptr, "", "", 0, "", "tsQTUserData"},
    {"edCubeface", "QLineEdit", nullptr, "", "", 0, "", "tsOptions"},
    {"edCylTiles", "QLineEdit", "24", "", "", Hidden, "", "tsQTOptions"},
    {"edDate", "QLineEdit", nullptr, "", "", 0, "", "tsQTUserData"},
    {"edFlashAutorotateDelay", "QLineEdit", "3", "", "", 0, "", "tsFlash"},
    {"edFlashAutorotateSpeed", "QLineEdit", "1", "", "", 0, "", "tsFlash"},
    {"edFlashFile", "QLineEdit", nullptr, "", "", 0, "", "tsOptions"},
    {"edFlashFps", "QLineEdit", "50", "", "", 0, "", "tsFlash"},
    {"edFlashMeshBase", "QLineEdit", "9", "", "", 0, "", "tsFlash"},
    {"edFlashPreloadBarH", "QLineEdit", "10", "", "", 0, "", "tsFlash2"},
    {"edFlashPreloadBarW", "QLineEdit", "180", "", "", 0, "", "tsFlash2"},
    {"edFlashPreloadBarX", "QLineEdit", "10", "", "", 0, "", "tsFlash2"},
    {"edFlashPreloadBarY", "QLineEdit", "30", "", "", 0, "", "tsFlash2"},
    {"edFlashPreloadImage", "QLineEdit", nullptr, "", "", 0, "", "tsFlash2"},
    {"edFlashPreloadImageX", "QLineEdit", "10", "", "", 0, "", "tsFlash2"},
    {"edFlashPreloadImageY", "QLineEdit", "60", "", "", 0, "", "tsFlash2"},
    {"edFlashPreloadTextX", "QLineEdit", "10", "", "", 0, "", "tsFlash2"},
    {"edFlashPreloadTextY", "QLineEdit", "30", "", "", 0, "", "tsFlash2"},
    {"edFoVDefault", "QLineEdit", "70", "", "", 0, "", "tsQTOptions"},
    {"edFoVMax", "QLineEdit", "120", "", "", 0, "", "tsQTOptions"},
    {"edFOVMin", "QLineEdit", "5", "", "", 0, "", "tsQTOptions"},
    {"edGamma", "QLineEdit", "1.0", "", "", 0, "", "tsQTOptions"},
    {"edHorizontalTiles", "QLineEdit", "1", "", "", Hidden, "", "tsQTOptions"},
    {"edHSName", "QLineEdit", nullptr, "", "", 0, "", "tsHotSpotEdit"},
    {"edHSUrl", "QLineEdit", nullptr, "", "", 0, "", "tsHotSpotEdit"},
    {"edHtmlFile", "QLineEdit", nullptr, "", "", 0, "", "tsOutputHelp"},
    {"edInputFile", "QLineEdit", nullptr, "", "", 0, "", "tsOptions"},
    {"edMovHeight", "QLineEdit", "300", "", "", 0, "", "tsQTOptions"},
    {"edMovieTiles", "QLineEdit", "0", "", "", Hidden, "", "tsQTOptions"},
    {"edMovWidth", "QLineEdit", "400", "", "", 0, "", "tsQTOptions"},
    {"edObjectAutoplaySpeed", "QLineEdit", "1.0", "", "", Disabled, "", "tsQTOptions"},
    {"edOutputfile", "QLineEdit", nullptr, "", "", 0, "", "tsOptions"},
    {"edPanDefault", "QLineEdit", "0", "", "", 0, "", "tsQTOptions"},
    {"edPanMax", "QLineEdit", "360", "", "", 0, "", "tsQTOptions"},
    {"edPanMin", "QLineEdit", "0", "", "", 0, "", "tsQTOptions"},
    {"edPreviewResolution", "QLineEdit", "8", "", "", 0, "", "tsQTOptions"},
    {"edQuality", "QLineEdit", "90", "JPEG - Quality of tiles", "", 0, "", "tsQTOptions"},
    {"edStripFile", "QLineEdit", nullptr, "", "", 0, "", "tsOutputHelp"},
    {"edStripQuality", "QLineEdit", "90", "JPEG - Quality of the ImageStrip", "", 0, "", "tsOutputHelp"},
    {"edThumbHeight", "QLineEdit", "100", "", "", 0, "", "tsOutputHelp"},
    {"edThumbnailFile", "QLineEdit", nullptr, "", "", 0, "", "tsOutputHelp"},
    {"edThumbQuality", "QLineEdit", "90", "JPEG - Quality of the thumbnail", "", 0, "", "tsOutputHelp"},
    {"edThumbWidth", "QLineEdit", "200", "", "", 0, "", "tsOutputHelp"},
    {"edTileSize", "QLineEdit", "0", "", "", 0, "", "tsQTOptions"},
    {"edTiltDefault", "QLineEdit", "0", "", "", 0, "", "tsQTOptions"},
    {"edTiltMax", "QLineEdit", "90", "", "", 0, "", "tsQTOptions"},
    {"edTiltMin", "QLineEdit", "-90", "", "", 0, "", "tsQTOptions"},
    {"edTitle", "QLineEdit", nullptr, "", "", 0, "", "tsQTUserData"},
    {"edUDComment", "QLineEdit", nullptr, "", "", 0, "", "tsQTUserData"},
    {"edUDDescription", "QLineEdit", nullptr, "", "", 0, "", "tsQTUserData"},
    {"edUDInformation", "QLineEdit", nullptr, "", "", 0, "", "tsQTUserData"},
    {"edUDSource", "QLineEdit", nullptr, "", "", 0, "", "tsQTUserData"},
    {"edVerticalTiles", "QLineEdit", "1", "", "", Hidden, "", "tsQTOptions"},
    {"gbAutorotate", "QGroupBox", "Auto-rotation ", "", "", 0, "", "tsSprites"},
    {"gbBackgroundSound", "QGroupBox", "Background sound ", "", "", 0, "", "tsSprites"},
    {"gbFiles", "QGroupBox", "Filenames ", "", "", 0, "", "tsOptions"},
    {"gbFlashAutorotate", "QGroupBox", "Auto-rotation ", "", "", 0, "", "tsFlash"},
    {"gbFlashDisplayQuality", "QGroupBox", "Display quality ", "", "", 0, "", "tsFlash"},
    {"gbFlashExternal", "QGroupBox", "External controller ", "", "", 0, "", "tsFlash"},
    {"gbFlashGeneral", "QGroupBox", "General ", "", "", 0, "", "tsFlash"},
    {"gbFlashInteraction", "QGroupBox", "Interaction ", "", "", 0, "", "tsFlash"},
    {"gbFlashPreloader", "QGroupBox", "Preloader ", "", "", 0, "", "tsFlash2"},
    {"gbObjectSettings", "QGroupBox", "Objectmovie Settings ", "", "", Hidden, "", "tsQTOptions"},
    {"gbStitcher", "QGroupBox", "Stitcher Settings ", "", "", 0, "", "tsQTOptions"},
    {"gbStrip", "QGroupBox", "Image strip ", "", "", 0, "", "tsOutputHelp"},
    {"gbThumbnail", "QGroupBox", "Thumbnail ", "", "", 0, "", "tsOutputHelp"},
    {"gbTileSettings", "QGroupBox", "Tile Settings ", "", "", 0, "", "tsQTOptions"},
    {"gbViewingParameters", "QGroupBox", "Viewing Parameters ", "", "", 0, "", "tsQTOptions"},
    {"gHotspotEdit", "QGroupBox", "Hotspot ", "", "", 0, "", "tsHotSpotEdit"},
    {"gHSTools", "QGroupBox", nullptr, "", "", 0, "", "tsHotSpotEdit"},
    {"gSprite", "QGroupBox", "", "", "", 0, "", "tsAddSprites"},
    {"imgDraw", "QLabel", nullptr, "", "", Hidden, "", "tsHotSpotEdit"},
    {"imgDrawHS", "QLabel", nullptr, "", "", Hidden, "", "tsHotSpotEdit"},
    {"imgDrawUndo", "QLabel", nullptr, "", "", Hidden, "", "tsHotSpotEdit"},
    {"imgFace", "QLabel", nullptr, "", "", Hidden, "", "tsHotSpotEdit"},
    {"imgShow", "QWidget", nullptr, "", "", 0, "", "tsHotSpotEdit"},
    {"imgTempShow", "QLabel", nullptr, "", "", Hidden, "", "tsHotSpotEdit"},
    {"Label13", "QLabel", "", "", "", Hidden, "", "tsOptions"},
    {"Label14", "QLabel", "", "", "", Hidden, "", "tsOptions"},
    {"Label15", "QLabel", "", "", "", Hidden, "", "tsOptions"},
    {"lb_CubeFaces", "QLabel", "Tiles:", "", "", Hidden, "", "tsOptions"},
    {"lb_Hotspots", "QLabel", "Hotspot file:", "", "", 0, "", "tsOptions"},
    {"lbCFCubeExt", "QLabel", "_[0..5].tif", "", "", 0, "", "tsOptions"},
    {"lbCFCubeFaces", "QLabel", "", "", "", Hidden, "", "tsOptions"},
    {"lbCFHotspots", "QLabel", "_hs.png", "", "", 0, "", "tsOptions"},
    {"lbCubeface", "QLabel", "Cube face base name:", "", "", 0, "", "tsOptions"},
    {"lbFlashMeshHigh", "QLabel", "high", "", "", 0, "", "tsFlash"},
    {"lbFlashMeshLow", "QLabel", "low", "", "", 0, "", "tsFlash"},
    {"lbFlashMeshQuality", "QLabel", "Quality:", "", "", 0, "", "tsFlash"},
    {"lbFlashOutputFilename", "QLabel", "Flash Output filename:", "", "", 0, "", "tsOptions"},
    {"lbHotspot", "QLabel", "", "", "", 0, "", "tsHotSpotEdit"},
    {"lbInputFile", "QLabel", "Equirectangular image:", "", "", 0, "", "tsOptions"},
    {"lbObject", "QLabel", "Object:", "", "", 0, "", "tsOptions"},
    {"lbObjectAutoplaySpeed", "QLabel", "Speed:", "", "", Disabled, "", "tsQTOptions"},
    {"lbOutputFilename", "QLabel", "QuickTime Output filename:", "", "", 0, "", "tsOptions"},
    {"lbOutputFormat", "QLabel", "Output format:", "", "", 0, "", "tsQTOptions"},
    {"lbPanorama", "QLabel", "Panorama:", "", "", 0, "", "tsOptions"},
    {"lbPreloadBarBg", "QLabel", "backg.", "", "", 0, "", "tsFlash2"},
    {"lbPreloadBarColor", "QLabel", "color", "", "", 0, "", "tsFlash2"},
    {"lbPreloadTextColor", "QLabel", "color", "", "", 0, "", "tsFlash2"},
    {"lbPreloadTiles", "QLabel", "Empty tiles:", "", "", 0, "", "tsFlash2"},
    {"lbPreloadTilesColor", "QLabel", "Color:", "", "", 0, "", "tsFlash2"},
    {"lbPreview", "QLabel", "Preview:", "", "", 0, "", "tsQTOptions"},
    {"lbPrevRes", "QLabel", "Resolution:", "", "", 0, "", "tsQTOptions"},
    {"lbProjectFile", "QLabel", "<no Project opened>", "", "", 0, "", "tsStart"},
    {"lbProjectFileTitle", "QLabel", "Project file:", "", "", 0, "", "tsStart"},
    {"lbProjectType", "QLabel", "Project type:", "", "", 0, "", "tsOptions"},
    {"lbRecentFiles", "QListWidget", nullptr, "Use doubleclick to open this project", "", 0, "", "tsStart"},
    {"lbSubTile", "QLabel", "Subdivision:", "", "", 0, "", "tsQTOptions"},
    {"lbThumbBgColor", "QLabel", "Background color:", "", "", 0, "", "tsOutputHelp"},
    {"lbTileFormat", "QLabel", "Tile format:", "", "", Hidden, "", "tsOptions"},
    {"lbTileSize", "QLabel", "Cube face size:", "", "", 0, "", "tsQTOptions"},
    {"lbTilesizeHint", "QLabel", "Optimal:", "This tile size would produce the optimal image quality for your current field of view (FoV) and window size without upscaling in the center", "", Hidden, "", "tsQTOptions"},
    {"lbTileSizePX", "QLabel", "px", "", "", 0, "", "tsQTOptions"},
    {"lbVerticalTiles", "QLabel", "Vertical tiles:", "", "", Hidden, "", "tsQTOptions"},
    {"MainMenu", "QMenuBar", nullptr, "", "", 0, "", ""},
    {"mConfigFile", "QPlainTextEdit", nullptr, "", "", 0, "", "tsConfigfile"},
    {"mConsole", "QPlainTextEdit", nullptr, "", "", ReadOnly, "", "tsConsole"},
    {"miAbout", "QAction", "About", "", "", 0, "", "miHelp"},
    {"miApplyTemplate", "QMenu", "Apply Template", "", "", Disabled, "", "miFiles"},
    {"miCreatemov", "QAction", "Create Movie", "", "", 0, "F8", "miSkyloom"},
    {"miCreateMOVandOpen", "QAction", "Create Movie and open", "", "", 0, "F9", "miSkyloom"},
    {"miCreatenewHotspotfiles", "QAction", "Create new Hotspot files", "", "", 0, "", "miSkyloom"},
    {"miFiles", "QMenu", "File", "", "", 0, "", "MainMenu"},
    {"miHelp", "QMenu", "Help", "", "", 0, "", "MainMenu"},
    {"miLanguageDefault", "QAction", "System default", "", "", 0, "Ctrl+Alt+D", "miSelectLanguage"},
    {"miLanguageEnglish", "QAction", "English (en)", "", "", Checked, "", "miSelectLanguage"},
    {"miLanguageSeperator", "QAction", "", "", "", 0, "", "miSelectLanguage"},
    {"miNewProject", "QAction", "New Project", "", "", 0, "Ctrl+N", "miFiles"},
    {"miOpenHelpfile", "QAction", "Open Helpfile", "", "", Hidden, "", "miHelp"},
    {"miOpenProject", "QAction", "Open Project", "", "", 0, "Ctrl+O", "miFiles"},
    {"miOpenQuickTime", "QAction", "Open QuickTime .mov", "", "", 0, "", "miSkyloom"},
    {"miOptions", "QAction", "Options", "", "", 0, "", "miFiles"},
    {"miQuit", "QAction", "Quit", "", "", 0, "Alt+F4", "miFiles"},
    {"miRecentProjects", "QMenu", "Recent Projects", "", "", Disabled, "", "miFiles"},
    {"miResetDefault", "QAction", "Reset default settings", "", "", 0, "", "miFiles"},
    {"miSave", "QAction", "Save Project", "", "", 0, "Ctrl+S", "miFiles"},
    {"miSaveAs", "QAction", "Save Project as...", "", "", Disabled, "", "miFiles"},
    {"miSaveasDefault", "QAction", "Save settings as default", "", "", Disabled, "", "miFiles"},
    {"miSaveastemplate", "QAction", "Save as Template/Droplet", "", "", Disabled, "", "miFiles"},
    {"miSelectLanguage", "QMenu", "Select Language", "", "", 0, "", "miHelp"},
    {"miSkyloom", "QMenu", "Skyloom", "", "", Disabled, "", "MainMenu"},
    {"miUsepano12dll", "QAction", "Use Panotools if available", "", "", Checked, "", "miSkyloom"},
    {"pc", "QTabWidget", nullptr, "", "", 0, "", ""},
    {"pConsoleButtons", "QFrame", nullptr, "", "", 0, "", "tsConsole"},
    {"pHSViewSettings", "QWidget", nullptr, "", "", 0, "", "tsHotSpotEdit"},
    {"pOrientation", "QWidget", nullptr, "", "", 0, "", "tsHotSpotEdit"},
    {"pProgress", "QFrame", nullptr, "", "", 0, "", ""},
    {"pTileFormat", "QWidget", nullptr, "", "", Hidden, "", "tsOptions"},
    {"pToolsCreate", "QFrame", nullptr, "", "", 0, "", "tsQTOptions"},
    {"rgAutoPlay", "QRadioButton", "autoplay", "This will import the corresponding sprite!", "", 0, "", "tsSprites"},
    {"rgAutoplayLoop", "QRadioButton", "autoplay and loop", "This will import the corresponding sprite!", "", 0, "", "tsSprites"},
    {"rgAutoplayNone", "QRadioButton", "off, do not play", "", "", Checked, "", "tsSprites"},
    {"rgAutoRotate1Min", "QRadioButton", "after 1 minute", "", "", 0, "", "tsSprites"},
    {"rgAutoRotate5sek", "QRadioButton", "after 5 seconds", "", "", 0, "", "tsSprites"},
    {"rgAutoRotateNone", "QRadioButton", "disabled", "", "", Checked, "", "tsSprites"},
    {"rgCubic", "QRadioButton", "Cubic ", "", "", 0, "", "tsOptions"},
    {"rgCylinder", "QRadioButton", "Cylindrical", "", "", 0, "", "tsOptions"},
    {"rgEquirect", "QRadioButton", "Equirectangular", "", "", Checked, "", "tsOptions"},
    {"rgFlashControllerPos", "QGroupBox", "Position ", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_0", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_1", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_2", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_3", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_4", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_5", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_6", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_7", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashControllerPos_8", "QRadioButton", "", "", "", 0, "", "tsFlash"},
    {"rgFlashPreAnchor", "QGroupBox", "Anchor ", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_0", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_1", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_2", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_3", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_4", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_5", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_6", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_7", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgFlashPreAnchor_8", "QRadioButton", "", "", "", 0, "", "tsFlash2"},
    {"rgObjAnimOff", "QRadioButton", "off", "", "", Checked, "", "tsQTOptions"},
    {"rgObjAnimPingPong", "QRadioButton", "ping-pong", "", "", 0, "", "tsQTOptions"},
    {"rgObjAnimRot", "QRadioButton", "rotate", "", "", 0, "", "tsQTOptions"},
    {"rgObjectLightTable", "QRadioButton", "Individual images", "", "", 0, "", "tsOptions"},
    {"rgObjectSep", "QRadioButton", "Sequence", "", "", 0, "", "tsOptions"},
    {"rgObjectStrip", "QRadioButton", "Strip", "", "", 0, "", "tsOptions"},
    {"rgTileJpeg", "QRadioButton", "JPEG", "", "", 0, "", "tsOptions"},
    {"rgTileTIFF", "QRadioButton", "TIFF", "", "", Checked, "", "tsOptions"},
    {"sbShow", "QScrollArea", nullptr, "", "", 0, "", "tsHotSpotEdit"},
    {"spClearHS", "QToolButton", "Clear", "Clear the current hotspot layer of this tile", "", 0, "", "tsHotSpotEdit"},
    {"spCreateAndOpen", "QAction", "Create", "Create the output and open it", "", 0, "", "ToolBar"},
    {"spDraw", "QFrame", nullptr, "", "", Hidden, "", "tsHotSpotEdit"},
    {"spDrawCirc", "QToolButton", "Ellipse", "Add an elliptic area to the current Hotspot", "", 0, "", "tsHotSpotEdit"},
    {"spDrawInfo", "QToolButton", "Info", "Show Hotspot Information", "", Checked, "", "tsHotSpotEdit"},
    {"spDrawPoly", "QToolButton", "Polygon", "Add polygon to the current Hotspot. Double-click or Right-Click for the last point. ESC to stop drawing.", "", 0, "", "tsHotSpotEdit"},
    {"spDrawRect", "QToolButton", "Rectangle", "Add a rectangle to the current Hotspot", "", 0, "", "tsHotSpotEdit"},
    {"spDrawRRect", "QToolButton", "Rounded", "Add a rounded rectangle to the current Hotspot", "", 0, "", "tsHotSpotEdit"},
    {"spFlashPreloadBarBG", "QFrame", nullptr, "", "", 0, "", "tsFlash2"},
    {"spFlashPreloadBarFG", "QFrame", nullptr, "", "", 0, "", "tsFlash2"},
    {"spFlashPreloadTextColor", "QFrame", nullptr, "", "", 0, "", "tsFlash2"},
    {"spFlashPreloadTilesColor", "QFrame", nullptr, "", "", 0, "", "tsFlash2"},
    {"spNextPanorama", "QToolButton", "Movie...", "Create a link to another QuickTime Movie", "", 0, "", "tsHotSpotEdit"},
    {"spNextUrl", "QToolButton", "URL...", "Create a link to a URL", "", 0, "", "tsHotSpotEdit"},
    {"spOpenQuickTime", "QAction", "Open", "Open the Output", "", 0, "", "ToolBar"},
    {"spProgress", "QFrame", nullptr, "", "", Hidden, "", ""},
    {"spRotate0", "QToolButton", "0°", "", "", Checked, "", "tsHotSpotEdit"},
    {"spRotate180", "QToolButton", "180°", "", "", 0, "", "tsHotSpotEdit"},
    {"spRotate270", "QToolButton", "270°", "", "", 0, "", "tsHotSpotEdit"},
    {"spRotate90", "QToolButton", "90°", "", "", 0, "", "tsHotSpotEdit"},
    {"spSavePNG", "QToolButton", "Save", "Save the current hotspot layer", "", 0, "", "tsHotSpotEdit"},
    {"spSaveProject", "QAction", "Save Project", "Save the current Project", "", Disabled, "", "ToolBar"},
    {"spSelectErase", "QToolButton", "Erase", "", "", 0, "", "tsHotSpotEdit"},
    {"spUndo", "QToolButton", "Undo", "", "", Disabled, "", "tsHotSpotEdit"},
    {"StatusBar", "QStatusBar", nullptr, "", "", 0, "", ""},
    {"sThumbBgColor", "QFrame", nullptr, "", "", 0, "", "tsOutputHelp"},
    {"tbFlashAutorotateHorizon", "QSlider", nullptr, "", "", 0, "", "tsFlash"},
    {"tbFlashControllerAlpha", "QSlider", nullptr, "", "", 0, "", "tsFlash"},
    {"tbFlashMeshBase", "QSlider", nullptr, "", "", 0, "", "tsFlash"},
    {"tbFlashSensitivity", "QSlider", nullptr, "", "", 0, "", "tsFlash"},
    {"tbQuality", "QSlider", nullptr, "", "", 0, "", "tsQTOptions"},
    {"tbStripQuality", "QSlider", nullptr, "", "", 0, "", "tsOutputHelp"},
    {"tbThumbQuality", "QSlider", nullptr, "", "", 0, "", "tsOutputHelp"},
    {"ToolBar", "QToolBar", nullptr, "", "", 0, "", ""},
};

struct Tab
{
    const char *name, *title;
};

const Tab kTabs[] = {
    {"tsStart", "Start"},
    {"tsOptions", "Project"},
    {"tsQTOptions", "Settings"},
    {"tsQTUserData", "Userdata"},
    {"tsHotSpotEdit", "Hotspots"},
    {"tsTileInputImage", "Tile Input Image"},
    {"tsSprites", "Sprites"},
    {"tsAddSprites", "Additional Sprites"},
    {"tsFlash", "Flash"},
    {"tsFlash2", "Flash Preloader"},
    {"tsOutputHelp", "Helpers"},
    {"tsDrawing", "-"},
    {"tsConfigfile", "Project file"},
    {"tsConsole", "Console"}
};

QString textOf(QObject *o)
{
    if (auto *g = qobject_cast<QGroupBox *>(o))
        return g->title();
    if (auto *m = qobject_cast<QMenu *>(o))
        return m->title();
    if (auto *a = qobject_cast<QAction *>(o))
        return a->text();
    return o->property("text").toString();
}

} // namespace

class TstMainformLayout : public QObject
{
    Q_OBJECT

    QMainWindow m_win;
    Ui::TfrmMainForm m_ui;

private slots:
    void initTestCase() { m_ui.setupUi(&m_win); }

    void window()
    {
        QCOMPARE(m_win.objectName(), QStringLiteral("TfrmMainForm"));
        QCOMPARE(m_win.size(), QSize(806, 617));
        QCOMPARE(m_win.minimumSize(), QSize(600, 400));
        QCOMPARE(m_win.windowTitle(), QStringLiteral("Skyloom - Version - 1.6.2"));
        QCOMPARE(m_win.centralWidget()->findChild<QTabWidget *>(QStringLiteral("pc")), m_ui.pc);
        QCOMPARE(m_win.statusBar(), m_ui.StatusBar);
        QCOMPARE(m_win.menuBar(), m_ui.MainMenu);
    }

    void controls_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kControls)); ++i)
            QTest::newRow(kControls[i].name) << i;
    }

    void controls()
    {
        QFETCH(int, row);
        const Expected &e = kControls[row];
        QObject *o = m_win.findChild<QObject *>(QString::fromLatin1(e.name));
        QVERIFY2(o, e.name);
        QCOMPARE(QByteArray(o->metaObject()->className()), QByteArray(e.cls));
        if (e.text)
            QCOMPARE(textOf(o), QString::fromUtf8(e.text));
        auto *action = qobject_cast<QAction *>(o);
        auto *menu = qobject_cast<QMenu *>(o);
        if (!action || *e.tip) // an action's tool tip falls back to its text
            QCOMPARE(o->property("toolTip").toString(), QString::fromUtf8(e.tip));
        if (auto *combo = qobject_cast<QComboBox *>(o); combo && e.items) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            QCOMPARE(items.join(QLatin1Char('\n')), QString::fromUtf8(e.items));
        }
        if (menu)
            action = menu->menuAction();
        if (action) {
            QCOMPARE(!action->isVisible(), bool(e.flags & Hidden));
            if (action->isVisible()) // a hidden action also reads as disabled
                QCOMPARE(!action->isEnabled(), bool(e.flags & Disabled));
            QCOMPARE(action->isChecked(), bool(e.flags & Checked));
            QCOMPARE(action->shortcut(), QKeySequence::fromString(QString::fromLatin1(e.shortcut)));
            auto *holder = m_win.findChild<QWidget *>(QString::fromLatin1(e.where));
            QVERIFY2(holder && holder->actions().contains(action), e.where);
            return;
        }
        auto *w = qobject_cast<QWidget *>(o);
        QVERIFY(w);
        QCOMPARE(w->testAttribute(Qt::WA_ForceDisabled), bool(e.flags & Disabled));
        QCOMPARE(w->isHidden(), bool(e.flags & Hidden));
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            QCOMPARE(b->isChecked(), bool(e.flags & Checked));
        if (auto *le = qobject_cast<QLineEdit *>(w))
            QCOMPARE(le->isReadOnly(), bool(e.flags & ReadOnly));
        if (auto *pe = qobject_cast<QPlainTextEdit *>(w))
            QCOMPARE(pe->isReadOnly(), bool(e.flags & ReadOnly));
        if (*e.where) {
            auto *page = m_ui.pc->findChild<QWidget *>(QString::fromLatin1(e.where));
            QVERIFY2(page && page->isAncestorOf(w), e.where);
        }
    }

    void tabs()
    {
        QCOMPARE(m_ui.pc->count(), int(std::size(kTabs)));
        for (int i = 0; i < m_ui.pc->count(); ++i) {
            QCOMPARE(m_ui.pc->widget(i)->objectName(), QString::fromLatin1(kTabs[i].name));
            QCOMPARE(m_ui.pc->tabText(i), QString::fromUtf8(kTabs[i].title));
        }
        QCOMPARE(m_ui.pc->currentIndex(), 0);
    }

    // Rows and ranges the window code computes with.
    void rangesAndGroups()
    {
        const struct { QSlider *s; int lo, hi; } sliders[] = {
            {m_ui.tbQuality, 0, 100}, {m_ui.tbThumbQuality, 0, 100}, {m_ui.tbStripQuality, 0, 100},
            {m_ui.tbFlashMeshBase, 3, 12}, {m_ui.tbFlashControllerAlpha, 0, 100},
            {m_ui.tbFlashAutorotateHorizon, 0, 5}, {m_ui.tbFlashSensitivity, 2, 20}};
        for (const auto &s : sliders) {
            QCOMPARE(s.s->minimum(), s.lo);
            QCOMPARE(s.s->maximum(), s.hi);
            QCOMPARE(s.s->orientation(), Qt::Horizontal);
        }
        // The language items form one exclusive group; run-time items go before the separator.
        QVERIFY(m_ui.miLanguageEnglish->actionGroup());
        QCOMPARE(m_ui.miLanguageEnglish->actionGroup(), m_ui.miLanguageDefault->actionGroup());
        QVERIFY(m_ui.miLanguageEnglish->actionGroup()->isExclusive());
        QVERIFY(m_ui.miLanguageSeperator->isSeparator());
        QCOMPARE(m_ui.miSelectLanguage->actions(),
                 (QList<QAction *>{m_ui.miLanguageEnglish, m_ui.miLanguageSeperator, m_ui.miLanguageDefault}));
        // Nine-item radio groups: item = column x 3 + row.
        for (const char *group : {"rgFlashControllerPos", "rgFlashPreAnchor"}) {
            auto *box = m_win.findChild<QGroupBox *>(QString::fromLatin1(group));
            auto *grid = qobject_cast<QGridLayout *>(box->layout());
            QVERIFY(grid);
            for (int i = 0; i < 9; ++i) {
                QWidget *cell = grid->itemAtPosition(i % 3, i / 3)->widget();
                QCOMPARE(cell->objectName(), QStringLiteral("%1_%2").arg(QLatin1String(group)).arg(i));
            }
        }
        // Sprite rows are placed by code on a group box without a layout.
        QVERIFY(!m_ui.gSprite->layout());
        QVERIFY(m_ui.gSprite->findChildren<QWidget *>().isEmpty());
        // The hotspot view sits in its scroll box at 0,0, 128 x 128.
        QCOMPARE(m_ui.sbShow->widget(), m_ui.imgShow);
        QCOMPARE(m_ui.imgShow->geometry(), QRect(0, 0, 128, 128));
        QCOMPARE(m_ui.spProgress->size(), QSize(57, 6));
    }

    // pToolsCreate starts on "Settings" and is appended at run time to the box layout of the
    // other project pages.
    void toolsPanelPages()
    {
        QCOMPARE(m_ui.pToolsCreate->parentWidget(), m_ui.tsQTOptions);
        const QStringList excluded{QStringLiteral("tsStart"), QStringLiteral("tsConsole"), QStringLiteral("tsOutputHelp")};
        for (int i = 0; i < m_ui.pc->count(); ++i) {
            QWidget *page = m_ui.pc->widget(i);
            if (excluded.contains(page->objectName()))
                continue;
            QVERIFY2(qobject_cast<QVBoxLayout *>(page->layout()), qPrintable(page->objectName()));
        }
    }

    // Nothing asks for more room than the window's minimum size.
    void fitsMinimumSize()
    {
        m_win.ensurePolished();
        const QSize need = m_win.layout()->minimumSize();
        QVERIFY2(need.width() <= 600 && need.height() <= 400,
                 qPrintable(QStringLiteral("%1 x %2").arg(need.width()).arg(need.height())));
    }
};

QTEST_MAIN(TstMainformLayout)
#include "tst_mainform_layout.moc"
