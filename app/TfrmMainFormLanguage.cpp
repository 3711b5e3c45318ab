// The main window's language menu, the switch of the interface language and the texts the
// window sets at run time, which it translates again after a switch.
#include "app/TfrmMainForm.h"
#include "ui_TfrmMainForm.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>

#include "platform/gui/Hooks.h"
#include "platform/i18n/GettextTranslator.h"
#include "platform/i18n/LanguageNames.h"
#include "platform/settings/SettingsStore.h"

namespace {

// The lists whose position is what the project stores, item by item.
const char *const kQualities[] = {
    QT_TRANSLATE_NOOP("TfrmMainForm", "Min"),  QT_TRANSLATE_NOOP("TfrmMainForm", "Low"),
    QT_TRANSLATE_NOOP("TfrmMainForm", "Normal"), QT_TRANSLATE_NOOP("TfrmMainForm", "High"),
    QT_TRANSLATE_NOOP("TfrmMainForm", "Max"),  QT_TRANSLATE_NOOP("TfrmMainForm", "Lossless"),
};
const char *const kObjectControls[] = {
    QT_TRANSLATE_NOOP("TfrmMainForm", "Grabber/Scroller"), QT_TRANSLATE_NOOP("TfrmMainForm", "Grabber"),
    QT_TRANSLATE_NOOP("TfrmMainForm", "Joystick"), QT_TRANSLATE_NOOP("TfrmMainForm", "Absolute"),
};
const char *const kThumbnailTypes[] = {
    QT_TRANSLATE_NOOP("TfrmMainForm", "Equirectangular"), QT_TRANSLATE_NOOP("TfrmMainForm", "World"),
    QT_TRANSLATE_NOOP("TfrmMainForm", "Tunnel"),          QT_TRANSLATE_NOOP("TfrmMainForm", "Default View"),
    QT_TRANSLATE_NOOP("TfrmMainForm", "Mirrorball"),      QT_TRANSLATE_NOOP("TfrmMainForm", "Sphere"),
};
const char *const kFlashScales[] = {
    QT_TRANSLATE_NOOP("TfrmMainForm", "no"),        QT_TRANSLATE_NOOP("TfrmMainForm", "with stage"),
    QT_TRANSLATE_NOOP("TfrmMainForm", "no border"), QT_TRANSLATE_NOOP("TfrmMainForm", "exact fit"),
};

// Clears and refills a list, translated, leaving no item selected.
template <std::size_t N>
void refill(QComboBox *combo, const char *const (&items)[N])
{
    const QSignalBlocker block(combo);
    combo->clear();
    for (const char *item : items)
        combo->addItem(TfrmMainForm::tr(item));
    combo->setCurrentIndex(-1);
}

// A list keeps the width of its first showing; after a switch each one takes again the width
// its texts in the new language need.
void fitListsToTheirTexts(QWidget *window)
{
    for (QComboBox *combo : window->findChildren<QComboBox *>()) {
        const QComboBox::SizeAdjustPolicy policy = combo->sizeAdjustPolicy();
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents); // drops the width kept so far
        combo->setSizeAdjustPolicy(policy);
    }
}

} // namespace

void TfrmMainForm::BuildLanguageMenu()
{
    LanguageCodes = sl::GettextTranslator::languages();
    LanguageCodes.prepend(QStringLiteral("en"));
    ui->miLanguageEnglish->setText(QStringLiteral("English (en)"));
    m_languageItems = {ui->miLanguageEnglish};
    for (int i = 1; i < LanguageCodes.size(); ++i) {
        auto *item = new QAction(sl::languageMenuCaption(LanguageCodes.at(i), sl::fontsShow), ui->agLanguage);
        item->setObjectName(QStringLiteral("miLanguage_") + LanguageCodes.at(i));
        item->setCheckable(true);
        item->setData(i + 1); // the item's Tag
        ui->miSelectLanguage->insertAction(ui->miLanguageSeperator, item);
        connect(item, &QAction::triggered, this, [this, item] { miLanguageClick(item); });
        m_languageItems.append(item);
    }
    connect(ui->miLanguageEnglish, &QAction::triggered, this, [this] { miLanguageClick(ui->miLanguageEnglish); });
    connect(ui->miLanguageDefault, &QAction::triggered, this, [this] { miLanguageClick(ui->miLanguageDefault); });
    TranslateRuntimeTexts();
}

void TfrmMainForm::miLanguageClick(QAction *sender)
{
    QString code;
    if (sender == ui->miLanguageEnglish)
        code = QStringLiteral("en");
    else if (sender != ui->miLanguageDefault) {
        const int tag = sender ? sender->data().toInt() : 0;
        if (tag < 1 || tag > LanguageCodes.size())
            return;
        code = LanguageCodes.at(tag - 1);
    }
    // Nothing typed is lost while the controls are rebuilt; without a project nothing is stored.
    if (!ProjectFileName.isEmpty()) {
        commitFocusedControl();
        ControlsToProject();
        StoreHotspotProperties();
    }

    sl::GettextTranslator::switchLanguage(code);
    sl::settings::setLanguage(*m_store, code);
    RetranslateWindow();
    ProjectToControls();
    ShowHotspotProperties();
    sl::ShowMsg(tr("Please restart the application to make sure that everything is in the correct language."));
    UpdateButtons();
    TranslateRuntimeTexts();
    ProjectToControls();
}

void TfrmMainForm::RetranslateWindow()
{
    // retranslateUi names the tabs by their place in the tab bar, so the hidden ones are put
    // back for the moment.
    QList<QWidget *> hidden;
    for (const Page &p : std::as_const(m_pages)) {
        if (!isPageVisible(p.widget))
            hidden << p.widget;
    }
    for (QWidget *page : std::as_const(hidden))
        setPageVisible(page, true);
    ui->retranslateUi(this);
    for (Page &p : m_pages)
        p.title = ui->pc->tabText(ui->pc->indexOf(p.widget));
    for (QWidget *page : std::as_const(hidden))
        setPageVisible(page, false);

    // What the layout does not hold.
    reapplyProjectTypeCaptions();
    ui->cbHotspot->setItemText(0, tr("Clear Hotspots"));
    for (QPushButton *button : std::as_const(SpriteDeleteButtons))
        button->setText(tr("Delete"));
    BuildRecentMenus();
    fitListsToTheirTexts(this);
}

void TfrmMainForm::TranslateRuntimeTexts()
{
    ui->miFiles->setTitle(tr("File"));
    ui->miHelp->setTitle(tr("Help"));

    const int tick = sl::languageMenuTick(LanguageCodes, sl::GettextTranslator::currentLanguage());
    if (tick >= 0 && tick < m_languageItems.size())
        m_languageItems.at(tick)->setChecked(true);

    ui->lbOutputFilename->setText(tr("QuickTime") + QLatin1Char(' ') + tr("Output filename:"));
    ui->lbFlashOutputFilename->setText(tr("Flash") + QLatin1Char(' ') + tr("Output filename:"));

    refill(ui->cbMotQual, kQualities);
    refill(ui->cbStatQual, kQualities);
    refill(ui->cbObjControl, kObjectControls);
    refill(ui->cbThumbType, kThumbnailTypes);
    refill(ui->cbFlashWindowScale, kFlashScales);
}
