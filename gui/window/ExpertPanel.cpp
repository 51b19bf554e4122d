#include "ExpertPanel.h"

#include "Dialogs.h"
#include "configuration/ConfigurationLoader.h"
#include "flows/DeviceSetupThread.h"
#include "flows/ProgramObjects.h"
#include "flows/TargetThread.h"
#include "targets/ConfigurationDraft.h"
#include "targets/Target.h"
#include "utils/Errors.h"
#include "utils/Text.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>

namespace ardent {

namespace {

const QColor kLoadedColour(0, 128, 0);

QPushButton* Button(QWidget* parent, const QString& text, const QRect& place) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(place);
    return button;
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QGroupBox* Group(QWidget* parent, const QString& title, const QRect& place) {
    auto* group = new QGroupBox(title, parent);
    group->setGeometry(place);
    return group;
}

} // namespace

TExpertPanel::TExpertPanel(QWidget* parent, TPanelHost& host) : TMainPanel(parent, host) {
    grpSetup = Group(this, QStringLiteral("Configuration"), QRect(8, 4, 220, 78));
    Label(grpSetup, QStringLiteral("Name"), 8, 24);
    edtConfigurationName = new QLineEdit(QStringLiteral("Config"), grpSetup);
    edtConfigurationName->setGeometry(44, 20, 168, 22);
    edtConfigurationName->setMaxLength(32);
    btnLoadCfg = Button(grpSetup, QStringLiteral("Load"), QRect(8, 48, 64, 24));
    btnStoreCfg = Button(grpSetup, QStringLiteral("Store"), QRect(78, 48, 64, 24));
    btnSaveCfg = Button(grpSetup, QStringLiteral("Save"), QRect(148, 48, 64, 24));

    dataFilesGroup = Group(this, QStringLiteral("Load Files"), QRect(8, 86, 220, 100));
    firmwareLabel = Label(dataFilesGroup, QStringLiteral("Firmware"), 8, 24);
    parametersLabel = Label(dataFilesGroup, QStringLiteral("Parameters"), 8, 48);
    patchLabel = Label(dataFilesGroup, QStringLiteral("Patch"), 8, 72);
    btnLoadFW = Button(dataFilesGroup, QStringLiteral("load"), QRect(90, 20, 64, 22));
    btnLoadPar = Button(dataFilesGroup, QStringLiteral("load"), QRect(90, 44, 64, 22));
    btnLoadPatch = Button(dataFilesGroup, QStringLiteral("load"), QRect(90, 68, 64, 22));
    chkSelFw = new QCheckBox(dataFilesGroup);
    chkSelFw->move(170, 23);
    chkSelPar = new QCheckBox(dataFilesGroup);
    chkSelPar->move(170, 47);
    chkSelPatch = new QCheckBox(dataFilesGroup);
    chkSelPatch->move(170, 71);
    for (QCheckBox* box : {chkSelFw, chkSelPar, chkSelPatch}) {
        box->setEnabled(false);
    }

    channelGroup = Group(this, QStringLiteral("Channel Selection"), QRect(8, 190, 220, 48));
    for (int i = 0; i < 4; ++i) {
        auto* box = new QCheckBox(QStringLiteral("CH%1").arg(i + 1), channelGroup);
        box->move(8 + 52 * i, 22);
        chkCH[static_cast<size_t>(i)] = box;
        connect(box, &QCheckBox::clicked, this, [this, i](bool checked) {
            channelSelection =
                checked ? (channelSelection | (1u << i)) : (channelSelection & ~(1u << i));
        });
    }
    chkCH[0]->setChecked(true);

    baudRateGroup = Group(this, QStringLiteral("Baud rate"), QRect(8, 242, 220, 50));
    comboBox_BaudRate = new QComboBox(baudRateGroup);
    comboBox_BaudRate->setGeometry(8, 20, 110, 22);
    comboBox_BaudRate->addItems({QStringLiteral("9600"), QStringLiteral("19200"),
                                 QStringLiteral("38400"), QStringLiteral("57600"),
                                 QStringLiteral("105000")});
    comboBox_BaudRate->setCurrentIndex(0);
    btnSendBR = Button(baudRateGroup, QStringLiteral("Set BR"), QRect(126, 19, 86, 24));

    grpSetupInProgrammer =
        Group(this, QStringLiteral("Configuration In Programmer"), QRect(8, 296, 220, 56));
    Label(grpSetupInProgrammer, QStringLiteral("Name"), 8, 26);
    edtConfigurationNameInProgrammer =
        new QLineEdit(QStringLiteral("No config"), grpSetupInProgrammer);
    edtConfigurationNameInProgrammer->setGeometry(44, 20, 112, 26);
    edtConfigurationNameInProgrammer->setEnabled(false);
    edtConfigurationNameInProgrammer->setReadOnly(true);
    QFont nameFont = edtConfigurationNameInProgrammer->font();
    nameFont.setPointSize(10);
    edtConfigurationNameInProgrammer->setFont(nameFont);
    btnReadCfg = Button(grpSetupInProgrammer, QStringLiteral("Import"), QRect(160, 20, 52, 26));

    btnTrigger = Button(this, QStringLiteral("Trigger programmer"), QRect(8, 358, 220, 40));
    btnTrigger->setToolTip(
        QStringLiteral("This button only triggers the setup within programmer HW."));
    progressBar = new QProgressBar(this);
    progressBar->setGeometry(8, 402, 220, 8);
    progressBar->setRange(0, 100);
    progressBar->setTextVisible(false);
    progressBar->hide();

    grpIds = Group(this, QStringLiteral("IDs"), QRect(236, 4, 369, 130));
    grpMessages = Group(this, QStringLiteral("Messages"), QRect(236, 138, 369, 260));
    messages = new TMessageBox(grpMessages);
    messages->setGeometry(8, 20, 353, 232);

    connect(btnLoadCfg, &QPushButton::clicked, this, &TExpertPanel::btnLoadCfgClick);
    connect(btnSaveCfg, &QPushButton::clicked, this, &TExpertPanel::btnSaveCfgClick);
    connect(btnStoreCfg, &QPushButton::clicked, this, &TExpertPanel::btnStoreCfgClick);
    connect(btnReadCfg, &QPushButton::clicked, this, &TExpertPanel::btnReadCfgClick);
    connect(btnSendBR, &QPushButton::clicked, this, &TExpertPanel::btnSendBRClick);
    connect(btnTrigger, &QPushButton::clicked, this, &TExpertPanel::btnTriggerClick);
    connect(btnLoadFW, &QPushButton::clicked, this, &TExpertPanel::btnLoadFWClick);
    connect(btnLoadPar, &QPushButton::clicked, this, &TExpertPanel::btnLoadParClick);
    connect(btnLoadPatch, &QPushButton::clicked, this, &TExpertPanel::btnLoadPatchClick);
    connect(comboBox_BaudRate, &QComboBox::currentIndexChanged, this,
            &TExpertPanel::comboBox_BaudRateChange);
}

void TExpertPanel::addLines(const QString& text, bool append) {
    if (!append) {
        messages->AddLine(text);
        return;
    }
    QString all = messages->Text();
    all.chop(2);
    messages->SetText(all + text);
}

void TExpertPanel::clearMsgBox() {
    messages->Clear();
}

void TExpertPanel::setButtonsEnabled(bool enable) {
    for (QPushButton* button :
         {btnStoreCfg, btnReadCfg, btnSendBR, btnLoadPar, btnLoadCfg, btnSaveCfg, btnTrigger}) {
        button->setEnabled(enable);
    }
}

void TExpertPanel::paintAgain() {
    buttEnable();
    paintCHSel();
    const QString name = QString::fromLatin1(fHost.app.deviceSetup.GetConfigurationName().c_str());
    edtConfigurationNameInProgrammer->setText(name);
    edtConfigurationNameInProgrammer->setToolTip(name);
}

void TExpertPanel::paintCHSel() {
    for (int i = 0; i < 4; ++i) {
        chkCH[static_cast<size_t>(i)]->setChecked((channelSelection & (1u << i)) != 0);
    }
}

void TExpertPanel::setOpenFilter(int kind) {
    if (kind == 1) {
        fOpenFilter = QStringLiteral("Hex files (*.ahex *.AHEX);;All files (*)");
    } else if (kind == 2) {
        fOpenFilter = QStringLiteral("XML files (*.xml *.XML);;All files (*)");
    } else {
        fOpenFilter = QStringLiteral("CFG files (*.cfg *.CFG);;All files (*)");
    }
}

void TExpertPanel::LoadFile() {
    sHEXfile.clear();
    const QString chosen = fHost.dialogs.OpenFile(this, QStringLiteral("Open"), fOpenFilter);
    if (chosen.isEmpty()) {
        return;
    }
    const QFileInfo info(chosen);
    if (!info.exists()) {
        return;
    }
    // The name is kept as chosen: file names are case-sensitive, so upper-casing the
    // whole path would name another (usually missing) file.
    sHEXfile = info.absoluteFilePath();
    fLastFolder = info.absolutePath();
    QDir::setCurrent(fLastFolder);
}

QString TExpertPanel::ChosenFileTip() const {
    return QFileInfo(sHEXfile).fileName().toLower();
}

void TExpertPanel::SetLoadedLook(QPushButton& button, bool loaded) {
    QFont font = button.font();
    font.setBold(loaded);
    button.setFont(font);
    QPalette palette = button.palette();
    const QColor colour = loaded ? kLoadedColour : QColor(0, 0, 0);
    palette.setColor(QPalette::Active, QPalette::ButtonText, colour);
    palette.setColor(QPalette::Inactive, QPalette::ButtonText, colour);
    button.setPalette(palette);
}

void TExpertPanel::setFileIndicator(bool loaded, QCheckBox& box, QPushButton& button) {
    box.setEnabled(loaded);
    box.setChecked(false);
    SetLoadedLook(button, loaded);
    if (!loaded) {
        button.setToolTip(QString());
    }
}

void TExpertPanel::ReportFileError(const QString& file, const std::exception& error) {
    fHost.dialogs.Error(this, QStringLiteral("Can't read ") + QFileInfo(file).fileName() +
                                  QStringLiteral(": ") + QString::fromLocal8Bit(error.what()));
}

void TExpertPanel::clearFileIndicators() {
    setFileIndicator(false, *chkSelPatch, *btnLoadPatch);
    setFileIndicator(false, *chkSelPar, *btnLoadPar);
    setFileIndicator(false, *chkSelFw, *btnLoadFW);
    firmwareLabel->setToolTip(QString());
    patchLabel->setToolTip(QString());
    parametersLabel->setToolTip(QString());
}

void TExpertPanel::discardLoadedConfiguration() {
    TProgramObjects& app = fHost.app;
    if (!app.configuration.GetLoadedState()) {
        return;
    }
    app.configuration.ClearAllBlocks();
    if (app.currentTarget) {
        app.currentTarget->ClearTableModel();
        app.currentTarget->ClearSelection();
    }
    paintIdTable();
    updateSelection();
}

void TExpertPanel::LoadInputFile(int (TTarget::*load)(const std::string&), QCheckBox& box,
                                 QPushButton& button, const QString& refusal) {
    setOpenFilter(1);
    LoadFile();
    if (sHEXfile.isEmpty() || !fHost.app.currentTarget) {
        return;
    }
    discardLoadedConfiguration();
    int result = 0;
    try {
        result = (fHost.app.currentTarget.get()->*load)(sHEXfile.toStdString());
    } catch (const std::exception& error) {
        // The file went away or cannot be read: it is not loaded, and the user hears why.
        setFileIndicator(false, box, button);
        ReportFileError(sHEXfile, error);
        button.setToolTip(ChosenFileTip());
        return;
    }
    setFileIndicator(result == 0, box, button);
    if (result != 0) {
        fHost.dialogs.Information(this, refusal);
    }
    button.setToolTip(ChosenFileTip());
}

void TExpertPanel::btnLoadFWClick() {
    LoadInputFile(&TTarget::loadFW, *chkSelFw, *btnLoadFW,
                  QStringLiteral("File isn't firmware .ahex!"));
}

void TExpertPanel::btnLoadParClick() {
    LoadInputFile(&TTarget::loadPAR, *chkSelPar, *btnLoadPar,
                  QStringLiteral("File isn't APARAM .ahex!"));
}

void TExpertPanel::btnLoadPatchClick() {
    LoadInputFile(&TTarget::loadPATCH, *chkSelPatch, *btnLoadPatch,
                  QStringLiteral("File isn't Patch .ahex!"));
}

bool TExpertPanel::HasBaudRate() const {
    bool ok = false;
    comboBox_BaudRate->currentText().toUInt(&ok);
    return comboBox_BaudRate->currentIndex() >= 0 && ok;
}

TDraftHeader TExpertPanel::DraftHeader() const {
    TDraftHeader header;
    header.name = edtConfigurationName->text().toStdString();
    if (HasBaudRate()) {
        header.baudRate = comboBox_BaudRate->currentText().toUInt();
    }
    header.channels = channelSelection;
    header.firmware = chkSelFw->isChecked();
    header.parameters = chkSelPar->isChecked();
    header.patch = chkSelPatch->isChecked();
    return header;
}

bool TExpertPanel::assembleAndCheckConfiguration() {
    const TDraftHeader header = DraftHeader();
    const int result =
        AssembleConfiguration(fHost.app.configuration, fHost.app.currentTarget.get(), header);
    const TDraftCheck check = CheckConfiguration(header, result);
    WriteLines(check.lines);
    return check.usable;
}

void TExpertPanel::WriteLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        addLines(QString::fromStdString(line), false);
    }
}

void TExpertPanel::btnSaveCfgClick() {
    clearMsgBox();
    TProgramObjects& app = fHost.app;
    if (!assembleAndCheckConfiguration()) {
        addLines(QStringLiteral("Can't save config file."), false);
        return;
    }
    const QString name = edtConfigurationName->text();
    if (name.isEmpty()) {
        addLines(QStringLiteral("You must set config name."), false);
        return;
    }
    QString file = fHost.dialogs.SaveFile(this, QStringLiteral("Save"),
                                          QStringLiteral("CFG Files (*.cfg)"), name);
    if (file.isEmpty()) {
        return;
    }
    if (QFileInfo(file).suffix().isEmpty()) {
        file += QStringLiteral(".cfg");
    }
    bool written = false;
    try {
        written = app.configuration.WriteConfigurationToFile(file.toStdString());
    } catch (const FileSystemError&) {
        written = false;
    }
    addLines(written ? QStringLiteral("You saved config file successfully.")
                     : QStringLiteral("Saving file was unsuccesfully."),
             false);
}

void TExpertPanel::btnStoreCfgClick() {
    clearMsgBox();
    if (!checkCanSend()) {
        return;
    }
    addLines(QStringLiteral("Store configuration started..."), false);
    TProgramObjects& app = fHost.app;
    if (!assembleAndCheckConfiguration()) {
        buttEnable();
        addLines(QStringLiteral("Can't store config file."), false);
        return;
    }
    // As Save: a configuration without a name would leave the line's log and screens nameless.
    if (edtConfigurationName->text().isEmpty()) {
        buttEnable();
        addLines(QStringLiteral("You must set config name."), false);
        addLines(QStringLiteral("Can't store config file."), false);
        return;
    }
    buttDisable();
    ShowTransferProgress(0);
    if (!TDeviceSetupThread::Start(app.runner, "store", app.Context(fHost.sink),
                                   TDeviceSetupThread::StoreConfiguration)) {
        buttEnable();
    }
}

void TExpertPanel::btnLoadCfgClick() {
    clearMsgBox();
    setOpenFilter(0);
    LoadFile();
    if (!sHEXfile.isEmpty()) {
        if (sHEXfile.endsWith(QStringLiteral(".cfg"), Qt::CaseInsensitive)) {
            const TLoadVerdict verdict =
                TConfigurationLoader().LoadFile(sHEXfile.toStdString(), fHost.app.configuration);
            if (verdict == TLoadVerdict::Loaded) {
                ReloadConfiguration();
            } else {
                ReportUnusableConfiguration(QStringLiteral("Config file ") + sHEXfile, verdict);
            }
        } else {
            fHost.dialogs.Information(this, QStringLiteral("File isn't .cfg file!"));
        }
    }
    paintAgain();
}

void TExpertPanel::btnReadCfgClick() {
    clearMsgBox();
    if (SendDeviceSetupCommand(TDeviceSetupThread::ReadConfiguration)) {
        ShowTransferProgress(0);
    }
}

void TExpertPanel::ReloadConfiguration() {
    clearFileIndicators();
    const TDraftReload reload =
        TakeOverConfiguration(fHost.app.configuration, fHost.app.currentTarget.get());
    WriteLines(reload.Lines({}));
    if (reload.IsTakenOver()) {
        paintIdTable();
        updateSelection();
    }
    showConfiguration();
}

void TExpertPanel::ReportUnusableConfiguration(const QString& what, TLoadVerdict verdict) {
    WriteLines(TDraftReload::Refused(verdict).Lines(what.toStdString()));
}

void TExpertPanel::showConfiguration() {
    const TConfiguration& configuration = fHost.app.configuration;
    // The name comes from a file or the programmer's image.
    edtConfigurationName->setText(
        QString::fromLatin1(ShowableText(configuration.GetName()).c_str()));
    comboBox_BaudRate->setCurrentIndex(
        comboBox_BaudRate->findText(QString::number(configuration.GetBaudRate())));
    channelSelection = configuration.GetChannel();
}

void TExpertPanel::comboBox_BaudRateChange() {
    if (HasBaudRate()) {
        fHost.app.deviceSetup.SetBaudRate(comboBox_BaudRate->currentText().toUInt());
    }
}

void TExpertPanel::btnSendBRClick() {
    clearMsgBox();
    SendDeviceSetupCommand(TDeviceSetupThread::SetBaudRate);
}

void TExpertPanel::btnTriggerClick() {
    clearMsgBox();
    const auto& target = fHost.app.currentTarget;
    if (target) {
        target->setTriggEn(false);
    }
    // Only a burn that started sets the flag again (notification 10); a refused one must not
    // leave the operator panel's trigger switched off.
    if (!SendTargetCommand(TTargetThread::Trigger) && target) {
        target->setTriggEn(true);
    }
}

void TExpertPanel::btnDetectClick() {
    clearMsgBox();
    SendTargetCommand(TTargetThread::DetectAllChannels);
}

void TExpertPanel::PlaceRightColumn(int idsHeight, int bottom) {
    grpIds->setGeometry(236, 4, 369, idsHeight);
    const int top = idsHeight + 8;
    grpMessages->setGeometry(236, top, 369, bottom - top);
    messages->setGeometry(8, 20, 353, bottom - top - 28);
}

QTableWidget* TExpertPanel::MakeGrid(QWidget* parent, int rows, const QList<int>& widths,
                                     int rowHeight) {
    auto* grid = new QTableWidget(rows, static_cast<int>(widths.size()), parent);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    int width = 2;
    for (int c = 0; c < widths.size(); ++c) {
        grid->setColumnWidth(c, widths[c]);
        width += widths[c];
    }
    int height = 2;
    for (int r = 0; r < rows; ++r) {
        grid->setRowHeight(r, rowHeight);
        height += rowHeight;
    }
    grid->resize(width, height);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < widths.size(); ++c) {
            grid->setItem(r, c, new QTableWidgetItem());
        }
    }
    for (int c = 0; c < widths.size(); ++c) {
        grid->item(0, c)->setBackground(palette().color(QPalette::Button));
    }
    for (int r = 1; r < rows; ++r) {
        grid->item(r, 0)->setBackground(palette().color(QPalette::Button));
    }
    return grid;
}

void TExpertPanel::SetCell(QTableWidget& grid, int row, int column, const QString& text) {
    grid.item(row, column)->setText(text);
}

void TExpertPanel::SetValueCell(QTableWidget& grid, int row, int column, const QString& text) {
    SetCell(grid, row, column, text);
    grid.item(row, column)->setToolTip(text);
}

void TExpertPanel::PaintModelGrid(QTableWidget& grid, const TIdTablesModel& model) {
    for (int r = 1; r <= model.GetNumRow() && r < grid.rowCount(); ++r) {
        for (int c = 1; c <= model.GetNumColumn() && c < grid.columnCount(); ++c) {
            SetValueCell(grid, r, c, QString::fromStdString(model.GetValue(r - 1, c - 1)));
        }
    }
}

void TExpertPanel::ShowTransferProgress(int percent) {
    progressBar->setValue(percent);
    progressBar->setVisible(percent < 100);
}

} // namespace ardent
