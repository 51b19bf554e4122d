#pragma once
// TExpertPanel: the engineer's screen, common to the three families - configuration name, .cfg
// load / save / store, the input files, channels, baud rate, the programmer's configuration
// (import) and the trigger. The family panels add the ID grid, the ID buttons and the message
// box's place, and decide how their file boxes reach the target.

#include "MainPanel.h"
#include "MessageBox.h"
#include "configuration/ConfigurationLoader.h"
#include "targets/ConfigurationDraft.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include <array>
#include <string>
#include <vector>

namespace ardent {

class TIdTablesModel;
class TTarget;

class TExpertPanel : public TMainPanel {
    Q_OBJECT
public:
    TExpertPanel(QWidget* parent, TPanelHost& host);

    void paintAgain() override;
    void setButtonsEnabled(bool enable) override;
    // Own message box: a line by the panels' rule; append true drops the last two characters
    // (the closing line break of a line the program wrote) and continues the line.
    void addLines(const QString& text, bool append) override;
    void clearMsgBox() override;
    virtual void paintIdTable() {}
    virtual void updateSelection() = 0;

    // Takes the program-wide configuration over into the target and shows it.
    void ReloadConfiguration();
    // A configuration image (`what`: "Config file <path>", or the one read from the programmer)
    // that the loader refused: why, and that the configuration shown is still the previous one.
    void ReportUnusableConfiguration(const QString& what, TLoadVerdict verdict);
    // Progress of a store or an import, in percent.
    void ShowTransferProgress(int percent);

    const TMessageBox& MessageBox() const { return *messages; }
    QLineEdit& ConfigurationName() { return *edtConfigurationName; }
    QComboBox& BaudRateList() { return *comboBox_BaudRate; }
    QCheckBox& ChannelBox(int channel) { return *chkCH[static_cast<size_t>(channel)]; }
    QPushButton& LoadFwButton() { return *btnLoadFW; }
    QPushButton& LoadParButton() { return *btnLoadPar; }
    QCheckBox& SelFwBox() { return *chkSelFw; }
    QCheckBox& SelParBox() { return *chkSelPar; }
    QCheckBox& SelPatchBox() { return *chkSelPatch; }
    QLineEdit& NameInProgrammer() { return *edtConfigurationNameInProgrammer; }
    const QProgressBar& TransferProgress() const { return *progressBar; }
    uint32_t ChannelSelection() const { return channelSelection; }

public slots:
    void btnLoadCfgClick();
    void btnSaveCfgClick();
    void btnStoreCfgClick();
    void btnReadCfgClick();
    void btnSendBRClick();
    void btnTriggerClick();
    void btnDetectClick();
    void btnLoadFWClick();
    void btnLoadParClick();
    void btnLoadPatchClick();
    void comboBox_BaudRateChange();

protected:
    // Lets the user choose a file of the filter `kind` (1 hex, 2 XML, else .cfg): sHEXfile is its
    // full path in upper case, empty when cancelled or missing.
    void LoadFile();
    void setOpenFilter(int kind);
    void paintCHSel();
    void clearFileIndicators();
    void setFileIndicator(bool loaded, QCheckBox& box, QPushButton& button);
    // The panel's part of a configuration: name, rate, channels and the ticked files.
    TDraftHeader DraftHeader() const;
    // Builds the program-wide configuration afresh from the panel and the current target, as
    // Save and Store send it; false, with the lines that say why, when it makes none.
    bool assembleAndCheckConfiguration();
    // Writes each of `lines` as a line of its own.
    void WriteLines(const std::vector<std::string>& lines);
    void showConfiguration();
    // Colours a load button's text (green and bold: its file is loaded), for the enabled states
    // only, so that a disabled button still looks disabled.
    static void SetLoadedLook(QPushButton& button, bool loaded);
    // An input file could not be read at all (an error raised while loading it): the box, and
    // the file's kind left unloaded by the caller.
    void ReportFileError(const QString& file, const std::exception& error);
    void discardLoadedConfiguration();
    // The chosen file's name without folder, lower case (the load buttons' tool tip).
    QString ChosenFileTip() const;
    // Whether the baud-rate list names a rate (not so after a configuration with another rate).
    bool HasBaudRate() const;
    // Loads one input file kind through `load`; the shared steps of the three load buttons.
    void LoadInputFile(int (TTarget::*load)(const std::string&), QCheckBox& box,
                       QPushButton& button, const QString& refusal);
    // Places the ID group (height `idsHeight`) and the message group below it down to `bottom`.
    void PlaceRightColumn(int idsHeight, int bottom);
    // A grid of fixed cells with the given column widths and row height; headings are cells.
    QTableWidget* MakeGrid(QWidget* parent, int rows, const QList<int>& widths, int rowHeight);
    static void SetCell(QTableWidget& grid, int row, int column, const QString& text);
    // A value cell: its tool tip holds the whole value, also where the column cuts it.
    static void SetValueCell(QTableWidget& grid, int row, int column, const QString& text);
    // The whole ID table in the grid below its headings: the model's cell (r, c) in the grid's
    // (r + 1, c + 1), as far as the grid reaches.
    static void PaintModelGrid(QTableWidget& grid, const TIdTablesModel& model);

    QString sHEXfile;
    QString fOpenFilter;
    QString fLastFolder;
    uint32_t channelSelection = 1;
    bool enChkBoxEvent = true;

    QGroupBox* grpSetup;
    QLineEdit* edtConfigurationName;
    QPushButton* btnLoadCfg;
    QPushButton* btnStoreCfg;
    QPushButton* btnSaveCfg;
    QGroupBox* dataFilesGroup;
    QLabel* firmwareLabel;
    QLabel* parametersLabel;
    QLabel* patchLabel;
    QPushButton* btnLoadFW;
    QPushButton* btnLoadPar;
    QPushButton* btnLoadPatch;
    QCheckBox* chkSelFw;
    QCheckBox* chkSelPar;
    QCheckBox* chkSelPatch;
    QGroupBox* channelGroup;
    std::array<QCheckBox*, 4> chkCH{};
    QGroupBox* baudRateGroup;
    QComboBox* comboBox_BaudRate;
    QPushButton* btnSendBR;
    QGroupBox* grpSetupInProgrammer;
    QLineEdit* edtConfigurationNameInProgrammer;
    QPushButton* btnReadCfg;
    QPushButton* btnTrigger;
    QGroupBox* grpIds;
    QGroupBox* grpMessages;
    TMessageBox* messages;
    QProgressBar* progressBar;
};

} // namespace ardent
