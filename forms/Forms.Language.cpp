#include "forms/Forms.Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "text/Text.Catalogue.h"

namespace {

// Replaced on a second call, so that a language can be changed in tests.
QTranslator*& Installed(int Which) {
  static QTranslator* Translators[2] = {nullptr, nullptr};
  return Translators[Which];
}

void Install(int Which, const QString& Name, const QString& Folder) {
  QTranslator*& Slot = Installed(Which);
  if (Slot != nullptr) {
    QCoreApplication::removeTranslator(Slot);
    delete Slot;
    Slot = nullptr;
  }
  auto* Translator = new QTranslator(QCoreApplication::instance());
  if (Translator->load(Name, Folder)) {
    QCoreApplication::installTranslator(Translator);
    Slot = Translator;
  } else {
    delete Translator;
  }
}

}  // namespace

bool ApplyLanguage(const QString& Language) {
  if (!SetTextLanguage(Language.toStdString())) {
    return false;
  }
  // Korean has no file of ours: the sources are its texts.
  Install(0, QStringLiteral("varnell_") + Language, QStringLiteral(":/i18n"));
  Install(1, QStringLiteral("qtbase_") + Language,
          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return true;
}
