// French puts a no-break space before « : », « ; », « ! » and « ? » and inside « ».
yulecardWords.add("fr", {
  name: "Français",

  cardTitle: "Une carte de vœux",
  cardPicture: "Une carte de vœux\u00a0: la neige tombe pendant qu’une main écrit un message sur une paume " +
               "ouverte, en musique.",
  invitation: "Cliquez, touchez l’écran ou appuyez sur une touche pour ouvrir la carte",
  invitationAgain: "Cliquez, touchez l’écran ou appuyez sur une touche pour rouvrir la carte",
  writeOwn: "Écrire votre propre carte",
  stop: "Arrêter la carte",
  stopHint: "Arrêter (Échap)",
  openAgain: "Rouvrir la carte",
  openAgainHint: "Rouvrir",
  mute: "Couper la musique",
  muteHint: "Couper le son (M)",
  unmute: "Remettre la musique",
  noSound: "Ici, la carte s’ouvre sans le son ({reason}).",
  cannotOpen: "Impossible d’ouvrir la carte dans ce navigateur.",
  cannotRun: "La carte ne peut pas fonctionner dans ce navigateur ({reason}).",
  badLink: "Le lien de cette carte ne contient pas de message qu’elle sache écrire ({reason})\u00a0; " +
           "elle affiche donc le sien.",
  linkAtLine: "ligne {line} de son message\u00a0: {reason}",
  linkAtLineColumn: "ligne {line}, colonne {column} de son message\u00a0: {reason}",
  damagedGreeting: "Le fichier de cette carte est abîmé ou a été modifié ({reason})\u00a0: la carte écrit donc son propre message.",
  damagedMusic: "Le fichier de cette carte est abîmé ou a été modifié ({reason})\u00a0: la carte joue donc sa propre musique.",
  damagedBoth: "Le fichier de cette carte est abîmé ou a été modifié ({reason})\u00a0: la carte écrit donc son propre message et joue sa propre musique.",
  damagedLanguage: "Le fichier de cette carte est abîmé ou a été modifié ({reason})\u00a0: la carte s’affiche donc dans cette langue.",
  damagedProgram: "Le fichier de cette carte est abîmé ({reason})\u00a0: demandez à l’expéditeur de le renvoyer.",

  composeTitle: "Écrivez votre propre carte de vœux",
  language: "Langue de la carte",
  greetingLabel: "Votre message",
  sample: "Chers amis,\nun joyeux Noël à vous et à tous les vôtres\u00a0!\n\n" +
          "Que la nouvelle année vous apporte joie, santé et beaucoup de beaux jours.\n\n[pause 4]\nAmitiés ❄",
  howTitle: "Comment la carte l’écrit",
  howPages: "Une ligne vide commence une nouvelle page\u00a0; un retour à la ligne commence une nouvelle " +
            "ligne sur la paume.",
  howWrap: "Les mots passent à la ligne après 21 lettres\u00a0; une page tient en 8 lignes et continue sur " +
           "la suivante si elle est plus longue.",
  howPause: "Après chaque page, la carte marque une pause, plus longue après une page plus longue\u00a0; " +
            "une ligne {pause} dans une page y fait attendre 4 secondes à la place (de 0 à 60).",
  howLetters: "Lettres\u00a0: celles de toutes les langues européennes, latines, grecques et cyrilliques, " +
              "avec les «\u00a0guillemets\u00a0», les tirets et €, et ❄ pour un flocon de neige.",
  linkLabel: "Le lien de la carte",
  copy: "Copier le lien",
  copied: "Le lien est copié\u00a0: collez-le dans un message.",
  copyRefused: "La copie a été refusée ici\u00a0: le lien est sélectionné, copiez-le à la main.",
  linkNote: "Le message voyage dans le lien lui-même, après le «\u00a0#\u00a0»\u00a0: il n’est jamais envoyé " +
            "au serveur qui héberge la carte.",
  previewTitle: "La carte en train de l’écrire",
  previewFrame: "La carte écrit votre message, sans le son",
  musicLabel: "Votre musique (un module XM, si vous voulez)",
  ownMusic: "Jouer la musique de la carte",
  musicUnreadable: "Impossible de lire {file} ({reason}).",
  download: "Télécharger la carte",
  downloaded: "La carte est téléchargée sous le nom «\u00a0{name}\u00a0»\u00a0: joignez-la à un message.",
  downloadFailed: "La carte n’a pas pu être créée ({reason}).",
  downloadNote: "La carte téléchargée est un seul fichier, avec le message et la musique\u00a0: joignez-la à un e-mail ou un message, elle s’ouvre dans tout navigateur, même hors ligne.",
  linkNoMusic: "Le lien ne transporte pas de musique.",
  fileName: "Carte de vœux",
  previewFrameMusic: "La carte écrit votre message, avec votre musique",
  atLine: "Ligne {line}\u00a0: {reason}",
  atLineColumn: "Ligne {line}, colonne {column}\u00a0: {reason}",

  problems: {
    "nul-byte": "octet NUL\u00a0; un message est du texte brut",
    "cut-utf8": "le texte se termine au milieu d’un caractère UTF-8",
    "not-utf8": "l’octet {byte} n’est pas de l’UTF-8\u00a0; enregistrez le message en UTF-8",
    "not-in-font": "{codePoint} n’est pas dans la police de la carte\u00a0; la carte écrit les lettres " +
                   "latines, grecques et cyrilliques",
    "pause-form": "une pause s’écrit [pause SECONDES], de 0 à {most} en dixièmes, par exemple [pause 2.5]",
    "second-pause": "une deuxième pause sur la même page (la première est à la ligne {firstLine})",
    "too-many-characters": "le message est plus long que ce que la carte peut contenir ({most} caractères " +
                           "au plus)",
    "word-too-long": "le mot «\u00a0{word}\u00a0» est plus long qu’une ligne de la carte ({letters} lettres)",
    "pause-alone": "une pause accompagne les mots de sa page, elle ne fait pas une page à elle seule",
    "empty": "aucun message (le texte est vide)",
    "link-empty": "le message du lien est vide",
    "link-too-long": "le message du lien est plus long que ce qu’une carte peut contenir ({kb} Ko)",
    "link-cut-short": "le message du lien est tronqué\u00a0; copiez le lien en entier",
    "link-stray": "le message du lien contient un caractère qui n’a rien à faire à la position {place}\u00a0; " +
                  "copiez le lien en entier",
    "too-long-for-link": "plus long que ce qu’un lien vers la carte peut transporter ({kb} Ko)",
    "no-memory": "trop long pour être écrit sur la carte",
  },
});
