#include "string_table.h"

#include <array>

namespace dorvex::panel {

namespace {

struct Entry {
    int number;
    const char* english;
    const char* french;
};

// Besides the captions and the start's messages, the table holds the program's further texts
// (numbers 119, 211 to 216, 220 to 248, and 306 on): an unknown transfer status, failures to
// move or remove a transferred file, an unusable library, settings that could not be saved, why
// a file or a start failed, the wait for a reply, the buttons of the program's own boxes, and
// the labels added to the window. "%1" and "%2" are filled in by the program.
constexpr std::array kEntries{
    Entry{2, "Data transfert utility for serie VORNA",
          "Gestion des transferts de données pour la série VORNA"},
    Entry{11, "Directories", "Répertoires"},
    Entry{12, "Unit :", "Unité :"},
    Entry{13, "Input directory :", "Répertoire d'entrée :"},
    Entry{14, "Output directory :", "Répertoire de sortie :"},
    Entry{15, "Remove input file when transfer is done",
          "Effacer le fichier fourni à la fin du transfert"},
    Entry{16, "Error directory :", "Répertoire erreurs :"},
    Entry{17, "Transfer file to Output directory",
          "Transférer le fichier dans le répertoire de sortie"},
    Entry{18, "Input file after successful transfer",
          "Traitement du fichier en entrée après transfert réussi"},
    Entry{19, "Create a directory", "Créer un répertoire"},
    Entry{21, "Timers", "Horloges de scrutation"},
    Entry{22, "Input directory pulling interval :",
          "Intervalle de scrutation du répertoire d'entrée :"},
    Entry{23, "Time unit :", "Unité de temps :"},
    Entry{24, "Transfer status pulling interval :",
          "Intervalle de scrutation pour l'état du transfert :"},
    Entry{31, "Options", "Options"},
    Entry{32, "Automatic start", "Démarrage automatique"},
    Entry{33, "Language :", "Langue :"},
    Entry{34, "Minimized window", "Fenêtre réduite"},
    Entry{35, "Carriage return character(s) :", "Caractère(s) de retour ligne :"},
    Entry{36, "Program start", "Lancement programme"},
    Entry{37, "Character set used by protocol :", "Jeu de caractère utilisé pour la transmission"},
    Entry{38, "Error messages", "Messages d'erreur"},
    Entry{39, "Show", "Montrer"},
    Entry{40, "Hide", "Cacher"},
    Entry{41, "Communication", "Communication"},
    Entry{42, "IP address :", "Adresse IP :"},
    Entry{43, "Scale No :", "No de balance :"},
    Entry{44, "Connection timeout", "Timeout de connexion"},
    Entry{100, "No pulling", "Pas de scrutation"},
    Entry{101, "pulling running", "Scrutation en cours"},
    Entry{110, "Ready", "Prêt"},
    Entry{111, "Prepare data", "Préparation"},
    Entry{112, "Sending request", "Envoi requête"},
    Entry{113, "Receiving request", "Reception requête"},
    Entry{114, "Transfer terminated", "Fin requête"},
    Entry{115, "Transfer terminated with error", "Fin requête avec erreur"},
    Entry{119, "Unknown transfer status ", "État de transfert inconnu "},
    Entry{201, "Please select a scale n° !", "Sélectionner un n° de balance !"},
    Entry{202, "Please enter an IP address !", "Entrer une adresse IP !"},
    Entry{203, "Error when opening communication port ! Please check your parameters.",
          "Erreur en ouverture du port de communication ! Vérifier les paramètres."},
    Entry{204, "Error when closing communication port !",
          "Erreur en fermeture du port de communication !"},
    Entry{205, "Transfer not terminated ! Do you want to quit anyway ?",
          "Transfert en cours ! Voulez-vous quitter néanmoins ?"},
    Entry{206, "Please select a time unit for reading in input directory !",
          "Sélectionner une unité de temps pour la scrutation !"},
    Entry{207, "Please select separated directories for input, output and error !",
          "Sélectionner des répertoires différents pour entrée, sortie et erreur !"},
    Entry{208, "Impossible to move the faulty file \"",
          "Impossible de déplacer le fichier non transféré \""},
    Entry{209, "\" to error directory !", "\" dans le répertoire erreur !"},
    Entry{210, "Please configure the connection timeout (tab \"Communication\")",
          "Veuillez paramétrer le timeout de connexion (onglet \"Communication\")"},
    Entry{211, "Impossible to move the transferred file \"",
          "Impossible de déplacer le fichier transféré \""},
    Entry{212, "\" to output directory !", "\" dans le répertoire de sortie !"},
    Entry{213, "Impossible to remove the transferred file \"",
          "Impossible d'effacer le fichier transféré \""},
    Entry{214, "\" from input directory !", "\" du répertoire d'entrée !"},
    Entry{215, "The transfer library cannot be used: ",
          "La bibliothèque de transfert est inutilisable : "},
    Entry{216,
          "The settings could not be saved: ", "Les paramètres n'ont pas pu être enregistrés : "},
    Entry{220, "Refused by the library: ", "Refusé par la bibliothèque : "},
    Entry{221, "Transfer ended with an error: ", "Transfert terminé en erreur : "},
    Entry{222, "no reason given by the library, see error.log in the error directory",
          "la bibliothèque ne donne pas de cause, voir error.log dans le répertoire erreurs"},
    Entry{223, "Could not be moved: ", "Déplacement impossible : "},
    Entry{224, "free disk space %1 MB", "espace disque disponible %1 Mo"},
    Entry{225, "no result file %1 was written", "aucun fichier résultat %1 n'a été écrit"},
    Entry{226, "Link not opened: ", "Liaison non ouverte : "},
    Entry{227, "address tried: ", "adresse essayée : "},
    Entry{228, "the name must contain \".csv\" or \".csw\" in lower case: rename it \"%1\"",
          "le nom doit contenir \".csv\" ou \".csw\" en minuscules : renommez-le \"%1\""},
    Entry{229, "Could not be removed: ", "Effacement impossible : "},
    Entry{230, "waiting for the scale's reply, %1 s (limit %2 s)",
          "attente de la réponse de la balance, %1 s (limite %2 s)"},
    Entry{231, "The library cannot set the reply timeout; its own limits apply.",
          "La bibliothèque ne peut pas régler le délai de réponse ; ses propres limites "
          "s'appliquent."},
    Entry{232, "no reason given", "aucune cause donnée"},
    Entry{240, "OK", "OK"},
    Entry{241, "Cancel", "Annuler"},
    Entry{242, "Yes", "Oui"},
    Entry{243, "No", "Non"},
    Entry{244, "Open", "Ouvrir"},
    Entry{245, "Look in:", "Regarder dans :"},
    Entry{246, "File name:", "Nom du fichier :"},
    Entry{247, "Files of type:", "Type de fichier :"},
    Entry{248, "Close", "Fermer"},
    Entry{301, "Files to transfer :", "Fichiers à traiter :"},
    Entry{302, "Files already transfered and OK :", "Fichiers traîtés OK :"},
    Entry{303, "Faulty files, not transfered :", "Fichiers traîtés en erreur :"},
    Entry{304, "Free disk space : ", "Espace disque disponible : "},
    Entry{305, "Processing file : ", "Fichier en cours de traîtement : "},
    Entry{306, "Help", "Aide"},
    Entry{307, "Applies at the next Start", "Appliqué au prochain Start"},
    Entry{308, "Error log", "Journal d'erreurs"},
    Entry{309, "Newest lines first", "Lignes les plus récentes en premier"},
    Entry{310, "Cannot read the file: ", "Lecture du fichier impossible : "},
    Entry{311, "Only the last %1 MB of the file are shown.",
          "Seuls les %1 derniers Mo du fichier sont affichés."},
    Entry{312, "No reason recorded since the program started; see error.log.",
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
        if (entry.number == number) {
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
