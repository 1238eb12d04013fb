yulecardWords.add("nl", {
  name: "Nederlands",

  cardTitle: "Een wenskaart",
  cardPicture: "Een wenskaart: het sneeuwt terwijl een hand een groet op een open handpalm schrijft, met muziek.",
  invitation: "Klik, tik of druk op een toets om de kaart te openen",
  invitationAgain: "Klik, tik of druk op een toets om de kaart opnieuw te openen",
  writeOwn: "Schrijf je eigen kaart",
  stop: "Kaart stoppen",
  stopHint: "Stoppen (Esc)",
  openAgain: "Kaart opnieuw openen",
  openAgainHint: "Opnieuw openen",
  mute: "Muziek dempen",
  muteHint: "Dempen (M)",
  unmute: "Muziek aanzetten",
  noSound: "De kaart speelt hier zonder geluid ({reason}).",
  cannotOpen: "De kaart kon in deze browser niet worden geopend.",
  cannotRun: "De kaart werkt niet in deze browser ({reason}).",
  badLink: "De link van deze kaart bevat geen groet die ze kan schrijven ({reason}), dus laat ze haar " +
           "eigen groet zien.",
  linkAtLine: "regel {line} van de groet: {reason}",
  linkAtLineColumn: "regel {line}, kolom {column} van de groet: {reason}",

  composeTitle: "Schrijf je eigen wenskaart",
  language: "Taal van de kaart",
  greetingLabel: "Jouw groet",
  sample: "Beste vriend,\nfijne kerstdagen voor jou en je dierbaren!\n\n" +
          "Moge het nieuwe jaar je vreugde, gezondheid en veel mooie dagen brengen.\n\n[pause 4]\n" +
          "Hartelijke groeten ❄",
  howTitle: "Hoe de kaart hem schrijft",
  howPages: "Een lege regel begint een nieuwe pagina; een regeleinde begint een nieuwe regel op de handpalm.",
  howWrap: "Woorden lopen door na 21 letters; een pagina heeft 8 regels en gaat verder op de volgende als " +
           "hij langer is.",
  howPause: "Na elke pagina wacht de kaart even, langer na langere pagina’s; een regel {pause} op een " +
            "pagina laat haar daar in plaats daarvan 4 seconden wachten (0 tot 60).",
  howLetters: "Letters: die van alle Europese talen, Latijns, Grieks en Cyrillisch, met “aanhalingstekens”, " +
              "streepjes en €, en ❄ voor een sneeuwvlok.",
  linkLabel: "De link naar de kaart",
  copy: "Link kopiëren",
  copied: "De link is gekopieerd: plak hem in een bericht.",
  copyRefused: "Kopiëren is hier geweigerd: de link is geselecteerd, kopieer hem zelf.",
  linkNote: "De groet reist mee in de link zelf, na het “#”: hij wordt nooit naar de server gestuurd " +
            "waarop de kaart staat.",
  previewTitle: "De kaart schrijft hem",
  previewFrame: "De kaart schrijft je groet, zonder geluid",
  atLine: "Regel {line}: {reason}",
  atLineColumn: "Regel {line}, kolom {column}: {reason}",

  problems: {
    "nul-byte": "NUL-byte; een groet is platte tekst",
    "cut-utf8": "de tekst houdt op midden in een UTF-8-teken",
    "not-utf8": "byte {byte} is geen UTF-8; sla de groet op als UTF-8",
    "not-in-font": "{codePoint} staat niet in het lettertype van de kaart; de kaart schrijft Latijnse, " +
                   "Griekse en Cyrillische letters",
    "pause-form": "een pauze schrijf je als [pause SECONDEN], 0 tot {most} in tienden, bijv. [pause 2.5]",
    "second-pause": "een tweede pauze op dezelfde pagina (de eerste staat op regel {firstLine})",
    "too-many-characters": "de groet is langer dan op de kaart past (hoogstens {most} tekens)",
    "word-too-long": "“{word}” is langer dan een regel van de kaart ({letters} letters)",
    "pause-alone": "een pauze hoort bij de woorden van haar pagina, niet op een eigen pagina",
    "empty": "geen groet (de tekst is leeg)",
    "link-empty": "de groet in de link is leeg",
    "link-too-long": "de groet in de link is langer dan op een kaart past ({kb} kB)",
    "link-cut-short": "de groet in de link is afgebroken; kopieer de hele link",
    "link-stray": "de groet in de link heeft op plaats {place} een teken dat daar niet hoort; kopieer de " +
                  "hele link",
    "too-long-for-link": "langer dan een link naar de kaart kan meenemen ({kb} kB)",
    "no-memory": "te lang om op de kaart te schrijven",
  },
});
