#include "forms/Setting.Getter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <charconv>
#include <stdexcept>
#include <string>

#include "forms/Forms.Setting.h"

namespace {

// A mount point gets its separator; "/" (or a folder already ending in one) keeps it.
std::string WithTrailingSeparator(const QString& Drive) {
  std::string Path = Drive.toStdString();
  if (!Path.empty() && Path.back() != '/') {
    Path += '/';
  }
  return Path;
}

}  // namespace

bool ParseLeftAmount(const QString& Text, std::int32_t& Amount) {
  const std::string Utf8 = Text.toStdString();
  const char* First = Utf8.data();
  const char* Last = First + Utf8.size();
  if (First != Last && *First == '+') {
    ++First;
  }
  std::int32_t Value = 0;
  const auto [End, Error] = std::from_chars(First, Last, Value, 10);
  if (First == Last || Error != std::errc() || End != Last) {
    return false;
  }
  Amount = Value;
  return true;
}

TSetting GetSetting(const TfSetting* fSetting) {
  TSetting Setting;
  if (fSetting == nullptr) {
    return Setting;
  }
  Setting.IsSet = fSetting->IsSet();
  if (!Setting.IsSet) {
    return Setting;
  }
  if (fSetting->eDrive->currentIndex() >= 0) {
    Setting.DrivePath = WithTrailingSeparator(fSetting->eDrive->currentText());
  }
  std::int32_t Amount = 0;
  ParseLeftAmount(fSetting->eLeft->text(), Amount);
  Setting.ToLeft = Amount;
  Setting.ToLeftUnit = GetLeftUnit(*fSetting);
  Setting.UnitSpeed = GetUnitSpeed(*fSetting);
  Setting.NeedCache = fSetting->cCacheEffect->isChecked();
  Setting.InfiniteRepetition = fSetting->cRepeat->isChecked();
  Setting.NeedDelete = fSetting->cDelete->isChecked();
  Setting.NeedVerify = fSetting->cVerify->isChecked();
  Setting.RecordPath = fSetting->RecordPath().toStdString();
  Setting.DetailedRecordPath = fSetting->DetailedRecordPath().toStdString();
  return Setting;
}

TLeftUnit GetLeftUnit(const TfSetting& fSetting) {
  const int Index = fSetting.cSelection->currentIndex();
  switch (Index) {
    case 0:
      return TLeftUnit::LeaveByGiB;
    case 1:
      return TLeftUnit::LeaveByMiB;
    case 2:
      return TLeftUnit::LeaveByPercent;
    default:
      throw std::invalid_argument("Wrong ItemIndex at cSelection: " + std::to_string(Index));
  }
}

TUnitSpeed GetUnitSpeed(const TfSetting& fSetting) {
  const int Index = fSetting.cUnitSpeed->currentIndex();
  switch (Index) {
    case 0:
      return TUnitSpeed::ZeroPointOnePercent;
    case 1:
      return TUnitSpeed::OnePercent;
    case 2:
      return TUnitSpeed::TenPercent;
    default:
      throw std::invalid_argument("Wrong ItemIndex at cUnitSpeed: " + std::to_string(Index));
  }
}
