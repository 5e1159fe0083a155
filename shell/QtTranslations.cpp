#include "shell/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <array>

namespace {

// Qt's translation file of each language, in the order of the Language menu.
constexpr std::array<const char*, 3> kQtTranslationFiles{"qtbase_ja", nullptr, "qtbase_zh_CN"};
constexpr char kTranslatorName[] = "QtTexts";

void RemoveInstalledTranslator(QCoreApplication& app) {
    auto* installed = app.findChild<QTranslator*>(kTranslatorName, Qt::FindDirectChildrenOnly);
    if (installed == nullptr) return;
    QCoreApplication::removeTranslator(installed);
    delete installed;
}

}  // namespace

bool FollowLanguageInQtTexts(int language) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return false;
    RemoveInstalledTranslator(*app);
    const bool known = language >= 0 && language < static_cast<int>(kQtTranslationFiles.size());
    const char* file = known ? kQtTranslationFiles[static_cast<std::size_t>(language)] : nullptr;
    if (file == nullptr) return true;
    auto* translator = new QTranslator(app);
    translator->setObjectName(kTranslatorName);
    if (!translator->load(file, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
