#pragma once

#include <QByteArray>
#include <QFlags>
#include <QString>

#include <vector>

class QRadioButton;
class QWidget;
class TAppSettings;
class TDCP_cipher;

// Saving and restoring the state of window controls in a settings store, one control per call or
// a table of controls at once, with chosen edit fields enciphered.
//
// Kinds, tested in this order (a subclass counts as its base; the first match decides; any other
// widget is neither saved nor loaded):
//   1 edit field      QLineEdit          SName = text (enciphered form with a cipher)
//   2 spinner         QSpinBox           SName = value
//   3 check box       QCheckBox          SName = "1" ticked / "0"
//   4 radio button    QRadioButton       SName = "1" selected / "0"
//   5 combo box       QComboBox          not editable: SName = selected item's text (no line when
//                                        none); editable: SName = edit text
//   6 check list      QListWidget        SName = ticked positions, ascending, "," joined
//   7 memo            QPlainTextEdit,    numbered lines SName + k and count SName + "N"
//                     QTextEdit
//   8 tab control     QTabWidget, QTabBar  SName = current page
//   9 date/time edit  QDateTimeEdit      showing no date section: time lines SName + "Hour",
//                                        "Minute", "Second"; otherwise date lines SName + "Year",
//                                        "Month", "Day"
//  10 list view       QTreeWidget        SName + i + ":0" caption, SName + i + ":" + j sub-items,
//                                        count SName + "N"
// Keys are plain concatenations of SName (the store's PropertyDelimiter is not used); an empty
// text removes its line. Missing, malformed or out-of-range lines leave a control as it was.
//
// A combo box that loading sets to another item emits activated() and textActivated() once, as a
// choice by the user would, so the window's handler of that choice runs.

enum TCtrlStoreOption { csoEncrypted = 0x1 };
Q_DECLARE_FLAGS(TCtrlStoreOptions, TCtrlStoreOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TCtrlStoreOptions)

// One entry of a control table; an entry without a control is skipped.
struct TCtrlRec
{
    QWidget *Ctrl = nullptr;
    QString SName;
    TCtrlStoreOptions StoreOptions;
};

// Cipher is used only for an edit field and may be none.
void SaveControl(TAppSettings &Settings, const QString &SName, QWidget *Ctrl,
                 TDCP_cipher *Cipher = nullptr);
// Raises "Invalid argument to date encode" for a stored date that forms no calendar date.
void LoadControl(TAppSettings &Settings, const QString &SName, QWidget *Ctrl,
                 TDCP_cipher *Cipher = nullptr);

// Every entry in order, without a cipher.
void SaveControls(TAppSettings &Settings, const std::vector<TCtrlRec> &Controls);
// The cipher goes to the entries marked csoEncrypted, none to the others.
void SaveControls(TAppSettings &Settings, TDCP_cipher *Cipher,
                  const std::vector<TCtrlRec> &Controls);
// A cipher keyed from the passphrase's bytes, burnt when done (also on an error).
void SaveControls(TAppSettings &Settings, const QByteArray &EncryptCipherStr,
                  const std::vector<TCtrlRec> &Controls);

void LoadControls(TAppSettings &Settings, const std::vector<TCtrlRec> &Controls);
void LoadControls(TAppSettings &Settings, TDCP_cipher *Cipher,
                  const std::vector<TCtrlRec> &Controls);
void LoadControls(TAppSettings &Settings, const QByteArray &EncryptCipherStr,
                  const std::vector<TCtrlRec> &Controls);

// Which button of the group is selected: its position in Buttons (empty entries counted) when
// ByButtonIndex, else its caption. Nothing is written when no button is selected.
void SaveRadioButtons(TAppSettings &Settings, const std::vector<QRadioButton *> &Buttons,
                      const QString &SName, bool ByButtonIndex);
// Selects the first button whose position text (or caption) equals the stored value exactly.
void LoadRadioButtons(TAppSettings &Settings, const std::vector<QRadioButton *> &Buttons,
                      const QString &SName, bool ByButtonIndex);
