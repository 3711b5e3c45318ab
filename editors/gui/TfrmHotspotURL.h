#pragma once
// "Link to URL": edits the address, the target and the title of one hotspot. The view
// parameters of a tour link are kept as they were read.
#include <QDialog>
#include <memory>

namespace Ui {
class TfrmHotspotURL;
}
namespace sl {
class EditedProject;
}

class TfrmHotspotURL : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmHotspotURL(sl::EditedProject *project, QWidget *parent = nullptr);
    ~TfrmHotspotURL() override;

    // Reads hotspot N's link and title into the dialog ("http://" when it has no address).
    void LoadHotspot(int number);

    // Writes link and title of the hotspot and refreshes the window's hotspot fields. An address
    // or target holding ">" (which would not read back) gets a notice and nothing is written.
    void btOkClick();
    // Opens the address with the desktop's program.
    void btOpenUrlClick();

    std::unique_ptr<Ui::TfrmHotspotURL> ui;

private:
    sl::EditedProject *m_project;
    int HotspotNumber = 0;
    QString LinkParams; // the view parameters as read, lower-cased; written back unchanged
};
