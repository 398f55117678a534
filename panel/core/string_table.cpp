#include "string_table.h"

#include <array>

namespace dorvex::panel {

namespace {

struct Entry {
    TextId id;
    const char* english;
    const char* french;
};

// Every text in both languages, by its number. "%1" and "%2" are filled in by the program.
constexpr std::array kEntries{
    Entry{TextId::WindowTitle, "Data transfert utility for serie VORNA",
          "Gestion des transferts de données pour la série VORNA"},
    Entry{TextId::DirectoriesTab, "Directories", "Répertoires"},
    Entry{TextId::Drive, "Unit :", "Unité :"},
    Entry{TextId::InputDirectory, "Input directory :", "Répertoire d'entrée :"},
    Entry{TextId::OutputDirectory, "Output directory :", "Répertoire de sortie :"},
    Entry{TextId::RemoveInputFile, "Remove input file when transfer is done",
          "Effacer le fichier fourni à la fin du transfert"},
    Entry{TextId::ErrorDirectory, "Error directory :", "Répertoire erreurs :"},
    Entry{TextId::MoveToOutputDirectory, "Transfer file to Output directory",
          "Transférer le fichier dans le répertoire de sortie"},
    Entry{TextId::InputFileAfterTransfer, "Input file after successful transfer",
          "Traitement du fichier en entrée après transfert réussi"},
    Entry{TextId::CreateDirectory, "Create a directory", "Créer un répertoire"},
    Entry{TextId::TimersTab, "Timers", "Horloges de scrutation"},
    Entry{TextId::InputPullingInterval, "Input directory pulling interval :",
          "Intervalle de scrutation du répertoire d'entrée :"},
    Entry{TextId::TimeUnit, "Time unit :", "Unité de temps :"},
    Entry{TextId::StatusPullingInterval, "Transfer status pulling interval :",
          "Intervalle de scrutation pour l'état du transfert :"},
    Entry{TextId::OptionsTab, "Options", "Options"},
    Entry{TextId::AutomaticStart, "Automatic start", "Démarrage automatique"},
    Entry{TextId::Language, "Language :", "Langue :"},
    Entry{TextId::MinimizedWindow, "Minimized window", "Fenêtre réduite"},
    Entry{TextId::CarriageReturnCharacters,
          "Carriage return character(s) :", "Caractère(s) de retour ligne :"},
    Entry{TextId::ProgramStart, "Program start", "Lancement programme"},
    Entry{TextId::CharacterSet,
          "Character set used by protocol :", "Jeu de caractère utilisé pour la transmission"},
    Entry{TextId::ErrorMessages, "Error messages", "Messages d'erreur"},
    Entry{TextId::Show, "Show", "Montrer"},
    Entry{TextId::Hide, "Hide", "Cacher"},
    Entry{TextId::CommunicationTab, "Communication", "Communication"},
    Entry{TextId::IpAddress, "IP address :", "Adresse IP :"},
    Entry{TextId::ScaleNumber, "Scale No :", "No de balance :"},
    Entry{TextId::ConnectionTimeout, "Connection timeout", "Timeout de connexion"},
    Entry{TextId::NoPulling, "No pulling", "Pas de scrutation"},
    Entry{TextId::PullingRunning, "pulling running", "Scrutation en cours"},
    Entry{TextId::StatusReady, "Ready", "Prêt"},
    Entry{TextId::StatusPrepareData, "Prepare data", "Préparation"},
    Entry{TextId::StatusSendingRequest, "Sending request", "Envoi requête"},
    Entry{TextId::StatusReceivingRequest, "Receiving request", "Reception requête"},
    Entry{TextId::StatusTransferTerminated, "Transfer terminated", "Fin requête"},
    Entry{TextId::StatusTerminatedWithError, "Transfer terminated with error",
          "Fin requête avec erreur"},
    Entry{TextId::UnknownTransferStatus, "Unknown transfer status ", "État de transfert inconnu "},
    Entry{TextId::SelectScaleNumber, "Please select a scale n° !",
          "Sélectionner un n° de balance !"},
    Entry{TextId::EnterIpAddress, "Please enter an IP address !", "Entrer une adresse IP !"},
    Entry{TextId::PortOpenFailed,
          "Error when opening communication port ! Please check your parameters.",
          "Erreur en ouverture du port de communication ! Vérifier les paramètres."},
    Entry{TextId::PortCloseFailed, "Error when closing communication port !",
          "Erreur en fermeture du port de communication !"},
    Entry{TextId::QuitBeforeTransferEnds, "Transfer not terminated ! Do you want to quit anyway ?",
          "Transfert en cours ! Voulez-vous quitter néanmoins ?"},
    Entry{TextId::SelectTimeUnit, "Please select a time unit for reading in input directory !",
          "Sélectionner une unité de temps pour la scrutation !"},
    Entry{TextId::SelectSeparateDirectories,
          "Please select separated directories for input, output and error !",
          "Sélectionner des répertoires différents pour entrée, sortie et erreur !"},
    Entry{TextId::FaultyFileNotMoved, "Impossible to move the faulty file \"",
          "Impossible de déplacer le fichier non transféré \""},
    Entry{TextId::ToErrorDirectory, "\" to error directory !", "\" dans le répertoire erreur !"},
    Entry{TextId::ConfigureConnectionTimeout,
          "Please configure the connection timeout (tab \"Communication\")",
          "Veuillez paramétrer le timeout de connexion (onglet \"Communication\")"},
    Entry{TextId::TransferredFileNotMoved, "Impossible to move the transferred file \"",
          "Impossible de déplacer le fichier transféré \""},
    Entry{TextId::ToOutputDirectory, "\" to output directory !",
          "\" dans le répertoire de sortie !"},
    Entry{TextId::TransferredFileNotRemoved, "Impossible to remove the transferred file \"",
          "Impossible d'effacer le fichier transféré \""},
    Entry{TextId::FromInputDirectory, "\" from input directory !", "\" du répertoire d'entrée !"},
    Entry{TextId::LibraryUnusable, "The transfer library cannot be used: ",
          "La bibliothèque de transfert est inutilisable : "},
    Entry{TextId::SettingsNotSaved,
          "The settings could not be saved: ", "Les paramètres n'ont pas pu être enregistrés : "},
    Entry{TextId::RefusedByLibrary, "Refused by the library: ", "Refusé par la bibliothèque : "},
    Entry{TextId::TransferEndedWithError,
          "Transfer ended with an error: ", "Transfert terminé en erreur : "},
    Entry{TextId::NoReasonSeeErrorLog,
          "no reason given by the library, see error.log in the error directory",
          "la bibliothèque ne donne pas de cause, voir error.log dans le répertoire erreurs"},
    Entry{TextId::CouldNotBeMoved, "Could not be moved: ", "Déplacement impossible : "},
    Entry{TextId::FreeDiskSpaceMegabytes, "free disk space %1 MB",
          "espace disque disponible %1 Mo"},
    Entry{TextId::NoResultFileWritten, "no result file %1 was written",
          "aucun fichier résultat %1 n'a été écrit"},
    Entry{TextId::LinkNotOpened, "Link not opened: ", "Liaison non ouverte : "},
    Entry{TextId::AddressTried, "address tried: ", "adresse essayée : "},
    Entry{TextId::RenameWithLowerCaseExtension,
          "the name must contain \".csv\" or \".csw\" in lower case: rename it \"%1\"",
          "le nom doit contenir \".csv\" ou \".csw\" en minuscules : renommez-le \"%1\""},
    Entry{TextId::CouldNotBeRemoved, "Could not be removed: ", "Effacement impossible : "},
    Entry{TextId::WaitingForReply, "waiting for the scale's reply, %1 s (limit %2 s)",
          "attente de la réponse de la balance, %1 s (limite %2 s)"},
    Entry{TextId::ReplyTimeoutNotSettable,
          "The library cannot set the reply timeout; its own limits apply.",
          "La bibliothèque ne peut pas régler le délai de réponse ; ses propres limites "
          "s'appliquent."},
    Entry{TextId::NoReasonGiven, "no reason given", "aucune cause donnée"},
    Entry{TextId::Ok, "OK", "OK"},
    Entry{TextId::Cancel, "Cancel", "Annuler"},
    Entry{TextId::Yes, "Yes", "Oui"},
    Entry{TextId::No, "No", "Non"},
    Entry{TextId::Open, "Open", "Ouvrir"},
    Entry{TextId::LookIn, "Look in:", "Regarder dans :"},
    Entry{TextId::FileName, "File name:", "Nom du fichier :"},
    Entry{TextId::FilesOfType, "Files of type:", "Type de fichier :"},
    Entry{TextId::Close, "Close", "Fermer"},
    Entry{TextId::FilesToTransfer, "Files to transfer :", "Fichiers à traiter :"},
    Entry{TextId::FilesTransferredOk, "Files already transfered and OK :", "Fichiers traîtés OK :"},
    Entry{TextId::FaultyFiles, "Faulty files, not transfered :", "Fichiers traîtés en erreur :"},
    Entry{TextId::FreeDiskSpace, "Free disk space : ", "Espace disque disponible : "},
    Entry{TextId::ProcessingFile, "Processing file : ", "Fichier en cours de traîtement : "},
    Entry{TextId::Help, "Help", "Aide"},
    Entry{TextId::AppliesAtNextStart, "Applies at the next Start", "Appliqué au prochain Start"},
    Entry{TextId::ErrorLog, "Error log", "Journal d'erreurs"},
    Entry{TextId::NewestLinesFirst, "Newest lines first", "Lignes les plus récentes en premier"},
    Entry{TextId::CannotReadFile, "Cannot read the file: ", "Lecture du fichier impossible : "},
    Entry{TextId::OnlyLastMegabytesShown, "Only the last %1 MB of the file are shown.",
          "Seuls les %1 derniers Mo du fichier sont affichés."},
    Entry{TextId::NoReasonRecorded, "No reason recorded since the program started; see error.log.",
          "Aucune cause enregistrée depuis le lancement du programme ; voir error.log."},
};

}  // namespace

std::optional<QString> StringTable::Find(int identifier) {
    const int language = identifier / 1000;
    const int number = identifier % 1000;
    if (identifier < 0 || !IsKnownLanguage(language)) {
        return std::nullopt;
    }
    for (const Entry& entry : kEntries) {
        if (static_cast<int>(entry.id) == number) {
            return QString::fromUtf8(language == kFrench ? entry.french : entry.english);
        }
    }
    return std::nullopt;
}

QString StringTable::Text(int languageCode, int n) {
    return Find(languageCode * 1000 + n).value_or(QString());
}

QString StringTable::LanguageName(int languageCode) {
    if (languageCode == kFrench) {
        return QStringLiteral("Français");
    }
    if (languageCode == kEnglish) {
        return QStringLiteral("English");
    }
    return {};
}

int StringTable::LanguageOf(const QLocale& locale) {
    // The language of messages (LANGUAGE, LC_MESSAGES, LANG) rather than that of numbers.
    const QStringList languages = locale.uiLanguages();
    const QString first = languages.isEmpty() ? locale.name() : languages.first();
    return first.startsWith(QLatin1String("fr"), Qt::CaseInsensitive) ? kFrench : kEnglish;
}

bool StringTable::IsKnownLanguage(int languageCode) {
    return languageCode == kFrench || languageCode == kEnglish;
}

}  // namespace dorvex::panel
