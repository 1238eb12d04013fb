yulecardWords.add("de", {
  name: "Deutsch",

  cardTitle: "Eine Grußkarte",
  cardPicture: "Eine Grußkarte: Schnee fällt, während eine Hand einen Gruß auf eine offene Handfläche schreibt, mit Musik.",
  invitation: "Klicken, tippen oder eine beliebige Taste drücken, um die Karte zu öffnen",
  invitationAgain: "Klicken, tippen oder eine beliebige Taste drücken, um die Karte noch einmal zu öffnen",
  writeOwn: "Eigene Karte schreiben",
  stop: "Karte beenden",
  stopHint: "Beenden (Esc)",
  openAgain: "Karte noch einmal öffnen",
  openAgainHint: "Noch einmal öffnen",
  mute: "Musik stumm schalten",
  muteHint: "Stumm (M)",
  unmute: "Musik einschalten",
  noSound: "Die Karte spielt hier ohne Ton ({reason}).",
  cannotOpen: "Die Karte ließ sich in diesem Browser nicht öffnen.",
  cannotRun: "Die Karte läuft in diesem Browser nicht ({reason}).",
  badLink: "Der Link dieser Karte enthält keinen Gruß, den sie schreiben kann ({reason}), deshalb zeigt sie ihren eigenen.",
  linkAtLine: "Zeile {line} des Grußes: {reason}",
  linkAtLineColumn: "Zeile {line}, Spalte {column} des Grußes: {reason}",

  composeTitle: "Eigene Grußkarte schreiben",
  language: "Sprache der Karte",
  greetingLabel: "Ihr Gruß",
  sample: "Liebe Freunde,\nfrohe Weihnachten euch allen!\n\n" +
          "Möge das neue Jahr euch Freude, Gesundheit und viele gute Tage bringen.\n\n[pause 4]\nHerzliche Grüße ❄",
  howTitle: "Wie die Karte ihn schreibt",
  howPages: "Eine Leerzeile beginnt eine neue Seite, ein Zeilenumbruch eine neue Zeile auf der Hand.",
  howWrap: "Wörter werden nach 21 Buchstaben umbrochen; eine Seite fasst 8 Zeilen, was darüber hinausgeht, " +
           "kommt auf die nächste.",
  howPause: "Nach jeder Seite wartet die Karte kurz, nach längeren Seiten länger; eine Zeile {pause} " +
            "auf einer Seite wartet dort stattdessen 4 Sekunden (0 bis 60).",
  howLetters: "Buchstaben: die aller europäischen Sprachen, lateinisch, griechisch und kyrillisch, " +
              "mit „Anführungszeichen“, Gedankenstrichen und €, und ❄ für eine Schneeflocke.",
  linkLabel: "Link zur Karte",
  copy: "Link kopieren",
  copied: "Der Link ist kopiert: Fügen Sie ihn in eine Nachricht ein.",
  copyRefused: "Kopieren wurde hier verweigert: Der Link ist markiert, kopieren Sie ihn von Hand.",
  linkNote: "Der Gruß steckt im Link selbst, hinter dem „#“: Er wird nie an den Server geschickt, " +
            "auf dem die Karte liegt.",
  previewTitle: "Die Karte schreibt ihn",
  previewFrame: "Die Karte schreibt Ihren Gruß, ohne Ton",
  atLine: "Zeile {line}: {reason}",
  atLineColumn: "Zeile {line}, Spalte {column}: {reason}",

  problems: {
    "nul-byte": "NUL-Byte; ein Gruß ist reiner Text",
    "cut-utf8": "der Text endet mitten in einem UTF-8-Zeichen",
    "not-utf8": "Byte {byte} ist kein UTF-8; speichern Sie den Gruß als UTF-8",
    "not-in-font": "{codePoint} ist nicht in der Schrift der Karte; die Karte schreibt lateinische, " +
                   "griechische und kyrillische Buchstaben",
    "pause-form": "eine Pause schreibt man [pause SEKUNDEN], 0 bis {most} in Zehnteln, z. B. [pause 2.5]",
    "second-pause": "eine zweite Pause auf derselben Seite (die erste steht in Zeile {firstLine})",
    "too-many-characters": "der Gruß ist länger, als die Karte fassen kann (höchstens {most} Zeichen)",
    "word-too-long": "„{word}“ ist länger als eine Zeile der Karte ({letters} Buchstaben)",
    "pause-alone": "eine Pause gehört zu den Wörtern ihrer Seite, nicht auf eine eigene Seite",
    "empty": "kein Gruß da (der Text ist leer)",
    "link-empty": "der Gruß im Link ist leer",
    "link-too-long": "der Gruß im Link ist länger, als eine Karte fassen kann ({kb} KB)",
    "link-cut-short": "der Gruß im Link ist abgeschnitten; kopieren Sie den ganzen Link",
    "link-stray": "der Gruß im Link hat an Stelle {place} ein Zeichen, das nicht dorthin gehört; " +
                  "kopieren Sie den ganzen Link",
    "too-long-for-link": "länger, als ein Link zur Karte tragen kann ({kb} KB)",
    "no-memory": "zu lang, um auf die Karte geschrieben zu werden",
  },
});
