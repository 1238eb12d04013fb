yulecardWords.add("it", {
  name: "Italiano",

  cardTitle: "Un biglietto di auguri",
  cardPicture: "Un biglietto di auguri: cade la neve mentre una mano scrive un messaggio su un palmo " +
               "aperto, con la musica.",
  invitation: "Fai clic, tocca o premi un tasto qualsiasi per aprire il biglietto",
  invitationAgain: "Fai clic, tocca o premi un tasto qualsiasi per riaprire il biglietto",
  writeOwn: "Scrivi il tuo biglietto",
  stop: "Ferma il biglietto",
  stopHint: "Ferma (Esc)",
  openAgain: "Riapri il biglietto",
  openAgainHint: "Riapri",
  mute: "Disattiva la musica",
  muteHint: "Muto (M)",
  unmute: "Riattiva la musica",
  noSound: "Qui il biglietto si apre senza audio ({reason}).",
  cannotOpen: "Impossibile aprire il biglietto in questo browser.",
  cannotRun: "Il biglietto non può funzionare in questo browser ({reason}).",
  badLink: "Il link di questo biglietto non contiene un messaggio che possa scrivere ({reason}), quindi " +
           "mostra il proprio.",
  linkAtLine: "riga {line} del messaggio: {reason}",
  linkAtLineColumn: "riga {line}, colonna {column} del messaggio: {reason}",
  damagedGreeting: "Il file di questo biglietto è danneggiato o è stato modificato ({reason}), quindi il biglietto scrive il suo messaggio.",
  damagedMusic: "Il file di questo biglietto è danneggiato o è stato modificato ({reason}), quindi il biglietto suona la sua musica.",
  damagedBoth: "Il file di questo biglietto è danneggiato o è stato modificato ({reason}), quindi il biglietto scrive il suo messaggio e suona la sua musica.",
  damagedProgram: "Il file di questo biglietto è danneggiato ({reason}): chiedi al mittente di rimandarlo.",

  composeTitle: "Scrivi il tuo biglietto di auguri",
  language: "Lingua del biglietto",
  greetingLabel: "Il tuo messaggio",
  sample: "Caro amico,\nbuon Natale a te e ai tuoi cari!\n\n" +
          "Che il nuovo anno ti porti gioia, salute e tanti giorni sereni.\n\n[pause 4]\nCon affetto ❄",
  howTitle: "Come lo scrive il biglietto",
  howPages: "Una riga vuota inizia una nuova pagina; un a capo inizia una nuova riga sul palmo.",
  howWrap: "Le parole vanno a capo dopo 21 lettere; una pagina contiene 8 righe e, se è più lunga, " +
           "continua nella successiva.",
  howPause: "Dopo ogni pagina il biglietto aspetta un po’, di più dopo le pagine più lunghe; una riga " +
            "{pause} in una pagina lo fa invece aspettare lì 4 secondi (da 0 a 60).",
  howLetters: "Lettere: quelle di tutte le lingue europee, latine, greche e cirilliche, con le «virgolette», " +
              "i trattini e €, e ❄ per un fiocco di neve.",
  linkLabel: "Il link del biglietto",
  copy: "Copia il link",
  copied: "Link copiato: incollalo in un messaggio.",
  copyRefused: "Qui la copia non è consentita: il link è selezionato, copialo a mano.",
  linkNote: "Il messaggio viaggia nel link stesso, dopo il «#»: non viene mai inviato al server che " +
            "ospita il biglietto.",
  previewTitle: "Il biglietto mentre lo scrive",
  previewFrame: "Il biglietto che scrive il tuo messaggio, senza audio",
  musicLabel: "La tua musica (un modulo XM, se vuoi)",
  ownMusic: "Suona la musica del biglietto",
  musicUnreadable: "Impossibile leggere {file} ({reason}).",
  download: "Scarica il biglietto",
  downloaded: "Il biglietto è stato scaricato come «{name}»: allegalo a un messaggio.",
  downloadFailed: "Non è stato possibile creare il biglietto ({reason}).",
  downloadNote: "Il biglietto scaricato è un unico file con dentro il messaggio e la musica: allegalo a un’e-mail o a un messaggio, si apre in qualsiasi browser, anche offline.",
  linkNoMusic: "Il link non porta musica.",
  fileName: "Biglietto di auguri",
  previewFrameMusic: "Il biglietto che scrive il tuo messaggio, con la tua musica",
  atLine: "Riga {line}: {reason}",
  atLineColumn: "Riga {line}, colonna {column}: {reason}",

  problems: {
    "nul-byte": "byte NUL; un messaggio è testo semplice",
    "cut-utf8": "il testo finisce a metà di un carattere UTF-8",
    "not-utf8": "il byte {byte} non è UTF-8; salva il messaggio in UTF-8",
    "not-in-font": "{codePoint} non è nel font del biglietto; il biglietto scrive lettere latine, greche " +
                   "e cirilliche",
    "pause-form": "una pausa si scrive [pause SECONDI], da 0 a {most} in decimi, per es. [pause 2.5]",
    "second-pause": "una seconda pausa nella stessa pagina (la prima è alla riga {firstLine})",
    "too-many-characters": "il messaggio è più lungo di quanto il biglietto possa contenere (al massimo " +
                           "{most} caratteri)",
    "word-too-long": "la parola «{word}» è più lunga di una riga del biglietto ({letters} lettere)",
    "pause-alone": "una pausa va con le parole della sua pagina, non in una pagina tutta sua",
    "empty": "nessun messaggio (il testo è vuoto)",
    "link-empty": "il messaggio del link è vuoto",
    "link-too-long": "il messaggio del link è più lungo di quanto un biglietto possa contenere ({kb} KB)",
    "link-cut-short": "il messaggio del link è troncato; copia il link per intero",
    "link-stray": "il messaggio del link ha un carattere fuori posto alla posizione {place}; copia il link " +
                  "per intero",
    "too-long-for-link": "più lungo di quanto possa portare un link al biglietto ({kb} KB)",
    "no-memory": "troppo lungo per essere scritto sul biglietto",
  },
});
