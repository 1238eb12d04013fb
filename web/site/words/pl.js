// Numbers stand where Polish needs no agreement with them ("liter: 21").
yulecardWords.add("pl", {
  name: "Polski",

  cardTitle: "Kartka z życzeniami",
  cardPicture: "Kartka z życzeniami: pada śnieg, a ręka przy muzyce pisze życzenia na otwartej dłoni.",
  invitation: "Kliknij, dotknij lub naciśnij dowolny klawisz, aby otworzyć kartkę",
  invitationAgain: "Kliknij, dotknij lub naciśnij dowolny klawisz, aby znów otworzyć kartkę",
  writeOwn: "Napisz własną kartkę",
  stop: "Zatrzymaj kartkę",
  stopHint: "Zatrzymaj (Esc)",
  openAgain: "Otwórz kartkę ponownie",
  openAgainHint: "Otwórz ponownie",
  mute: "Wycisz muzykę",
  muteHint: "Wycisz (M)",
  unmute: "Włącz muzykę",
  noSound: "Tutaj kartka działa bez dźwięku ({reason}).",
  cannotOpen: "Nie udało się otworzyć kartki w tej przeglądarce.",
  cannotRun: "Kartka nie może działać w tej przeglądarce ({reason}).",
  badLink: "Link tej kartki nie zawiera życzeń, które może ona napisać ({reason}), więc pokazuje własne.",
  linkAtLine: "wiersz {line} życzeń: {reason}",
  linkAtLineColumn: "wiersz {line}, kolumna {column} życzeń: {reason}",

  composeTitle: "Napisz własną kartkę z życzeniami",
  language: "Język kartki",
  greetingLabel: "Twoje życzenia",
  sample: "Drogi przyjacielu,\nwesołych Świąt dla Ciebie i Twoich bliskich!\n\n" +
          "Niech nowy rok przyniesie Ci radość, zdrowie i wiele dobrych dni.\n\n[pause 4]\n" +
          "Serdeczne pozdrowienia ❄",
  howTitle: "Jak kartka je pisze",
  howPages: "Pusty wiersz zaczyna nową stronę; nowa linia zaczyna nowy wiersz na dłoni.",
  howWrap: "Słowa są przenoszone po 21 literach; strona mieści 8 wierszy, a dłuższa przechodzi na następną.",
  howPause: "Po każdej stronie kartka chwilę czeka, dłużej po dłuższych stronach; wiersz {pause} na " +
            "stronie sprawia, że czeka tam 4 sekundy (od 0 do 60).",
  howLetters: "Litery: wszystkich języków europejskich, łacińskie, greckie i cyrylickie, z „cudzysłowami”, " +
              "myślnikami i €, oraz ❄ jako płatek śniegu.",
  linkLabel: "Link do kartki",
  copy: "Kopiuj link",
  copied: "Link skopiowany: wklej go do wiadomości.",
  copyRefused: "Kopiowanie zostało tu zablokowane: link jest zaznaczony, skopiuj go ręcznie.",
  linkNote: "Życzenia są zapisane w samym linku, po znaku „#”: nigdy nie trafiają na serwer, na którym " +
            "jest kartka.",
  previewTitle: "Kartka w trakcie pisania",
  previewFrame: "Kartka pisze Twoje życzenia, bez dźwięku",
  atLine: "Wiersz {line}: {reason}",
  atLineColumn: "Wiersz {line}, kolumna {column}: {reason}",

  problems: {
    "nul-byte": "bajt NUL; życzenia to zwykły tekst",
    "cut-utf8": "tekst kończy się w środku znaku UTF-8",
    "not-utf8": "bajt {byte} nie jest w UTF-8; zapisz życzenia w UTF-8",
    "not-in-font": "znaku {codePoint} nie ma w czcionce kartki; kartka pisze litery łacińskie, greckie " +
                   "i cyrylickie",
    "pause-form": "pauzę zapisuje się [pause SEKUNDY], od 0 do {most} w dziesiątych, np. [pause 2.5]",
    "second-pause": "druga pauza na tej samej stronie (pierwsza jest w wierszu {firstLine})",
    "too-many-characters": "życzenia nie mieszczą się na kartce (najwięcej znaków: {most})",
    "word-too-long": "słowo „{word}” jest dłuższe niż wiersz kartki (liter w wierszu: {letters})",
    "pause-alone": "pauza należy do słów swojej strony, a nie na osobną stronę",
    "empty": "brak życzeń (tekst jest pusty)",
    "link-empty": "życzenia w linku są puste",
    "link-too-long": "życzenia w linku nie mieszczą się na kartce ({kb} KB)",
    "link-cut-short": "życzenia w linku są ucięte; skopiuj cały link",
    "link-stray": "w życzeniach w linku na pozycji {place} jest znak, który tam nie pasuje; skopiuj cały link",
    "too-long-for-link": "to więcej, niż zmieści link do kartki ({kb} KB)",
    "no-memory": "za długie, by zmieścić się na kartce",
  },
});
