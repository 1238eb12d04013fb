// English: the table every other language follows, key for key and
// placeholder for placeholder. The problems are the greeting parser's own
// English, word for word (the desktop prints the same).
yulecardWords.add("en", {
  name: "English",

  // The card's page.
  cardTitle: "A greeting card",
  cardPicture: "A greeting card: snow falls while a hand writes a greeting onto an open palm, with music.",
  invitation: "Click, tap or press any key to open the card",
  invitationAgain: "Click, tap or press any key to open the card again",
  writeOwn: "Write your own card",
  stop: "Stop the card",
  stopHint: "Stop (Esc)",
  openAgain: "Open the card again",
  openAgainHint: "Open again",
  mute: "Mute the music",
  muteHint: "Mute (M)",
  unmute: "Play the music",
  noSound: "The card plays without sound here ({reason}).",
  cannotOpen: "The card could not be opened in this browser.",
  cannotRun: "The card cannot run in this browser ({reason}).",
  badLink: "This card's link does not hold a greeting it can write ({reason}), so it shows its own.",
  linkAtLine: "line {line} of its greeting: {reason}",
  linkAtLineColumn: "line {line}, column {column} of its greeting: {reason}",
  damagedGreeting: "This card's file is damaged or was changed ({reason}), so the card writes its own greeting instead.",
  damagedMusic: "This card's file is damaged or was changed ({reason}), so the card plays its own music instead.",
  damagedBoth: "This card's file is damaged or was changed ({reason}), so the card writes its own greeting and plays its own music instead.",
  damagedProgram: "This card's file is damaged ({reason}): ask the sender to send it again.",

  // The page that writes a greeting.
  composeTitle: "Write your own greeting card",
  language: "The card's language",
  greetingLabel: "Your greeting",
  sample: "Dear friend,\na merry Christmas to you and yours!\n\n" +
          "May the new year bring you joy, health and many good days.\n\n[pause 4]\nWith warm wishes ❄",
  howTitle: "How the card writes it",
  howPages: "A blank line starts a new page; a line break starts a new line on the palm.",
  howWrap: "Words are wrapped at 21 letters; a page holds 8 lines and goes on to the next when longer.",
  howPause: "After each page the card waits a little, longer for longer pages; a line {pause} " +
            "on a page waits 4 seconds there instead (0 to 60).",
  howLetters: "Letters: every European language's, Latin, Greek and Cyrillic, with “quotes”, " +
              "dashes and €, and ❄ for a snowflake.",
  linkLabel: "The card's link",
  copy: "Copy the link",
  copied: "The link is copied: paste it into a message.",
  copyRefused: "Copying was refused here: the link is selected, copy it by hand.",
  linkNote: "The greeting travels in the link itself, after the \"#\": it is never sent to the server " +
            "that hosts the card.",
  previewTitle: "The card, writing it",
  previewFrame: "The card writing your greeting, without sound",
  musicLabel: "Your music (an XM module, if you like)",
  ownMusic: "Play the card's own",
  musicUnreadable: "{file} cannot be read ({reason}).",
  download: "Download the card",
  downloaded: "The card is downloaded as \"{name}\": attach it to a message.",
  downloadFailed: "The card could not be made ({reason}).",
  downloadNote: "The downloaded card is one file with the greeting and the music inside: attach it to an e-mail or a message, and it opens in any web browser, offline.",
  linkNoMusic: "The link carries no music.",
  fileName: "Greeting card",
  previewFrameMusic: "The card writing your greeting, with your music",
  atLine: "Line {line}: {reason}",
  atLineColumn: "Line {line}, column {column}: {reason}",

  problems: {
    "nul-byte": "NUL byte; a greeting is plain text",
    "cut-utf8": "the text ends inside a UTF-8 character",
    "not-utf8": "byte {byte} is not UTF-8; save the greeting as UTF-8",
    "not-in-font": "{codePoint} is not in the card's font; the card writes Latin, Greek and Cyrillic letters",
    "pause-form": "a pause is written [pause SECONDS], 0 to {most} in tenths, e.g. [pause 2.5]",
    "second-pause": "a second pause on the same page (the first is on line {firstLine})",
    "too-many-characters": "the greeting is longer than the card can hold (at most {most} characters)",
    "word-too-long": "\"{word}\" is longer than a line of the card ({letters} letters)",
    "pause-alone": "a pause needs the words of its page with it, not a page of its own",
    "empty": "no greeting in the file (it is empty or blank)",
    "link-empty": "the link's greeting is empty",
    "link-too-long": "the link's greeting is longer than a card holds ({kb} KB)",
    "link-cut-short": "the link's greeting is cut short; copy the whole link",
    "link-stray": "the link's greeting has a character that does not belong at place {place}; copy the whole link",
    "too-long-for-link": "longer than a link to the card carries ({kb} KB)",
    // The page's own: no memory left to hand the greeting to the card.
    "no-memory": "too long to be written on the card",
  },
});
