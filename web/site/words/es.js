yulecardWords.add("es", {
  name: "Español",

  cardTitle: "Una tarjeta de felicitación",
  cardPicture: "Una tarjeta de felicitación: cae la nieve mientras una mano escribe un mensaje sobre una " +
               "palma abierta, con música.",
  invitation: "Haz clic, toca la pantalla o pulsa cualquier tecla para abrir la tarjeta",
  invitationAgain: "Haz clic, toca la pantalla o pulsa cualquier tecla para volver a abrir la tarjeta",
  writeOwn: "Escribe tu propia tarjeta",
  stop: "Detener la tarjeta",
  stopHint: "Detener (Esc)",
  openAgain: "Volver a abrir la tarjeta",
  openAgainHint: "Volver a abrir",
  mute: "Silenciar la música",
  muteHint: "Silenciar (M)",
  unmute: "Activar la música",
  noSound: "Aquí la tarjeta se abre sin sonido ({reason}).",
  cannotOpen: "No se ha podido abrir la tarjeta en este navegador.",
  cannotRun: "La tarjeta no puede funcionar en este navegador ({reason}).",
  badLink: "El enlace de esta tarjeta no contiene un mensaje que pueda escribir ({reason}), así que " +
           "muestra el suyo.",
  linkAtLine: "línea {line} del mensaje: {reason}",
  linkAtLineColumn: "línea {line}, columna {column} del mensaje: {reason}",
  damagedGreeting: "El archivo de esta tarjeta está dañado o se ha modificado ({reason}), así que la tarjeta escribe su propio mensaje.",
  damagedMusic: "El archivo de esta tarjeta está dañado o se ha modificado ({reason}), así que la tarjeta toca su propia música.",
  damagedBoth: "El archivo de esta tarjeta está dañado o se ha modificado ({reason}), así que la tarjeta escribe su propio mensaje y toca su propia música.",
  damagedProgram: "El archivo de esta tarjeta está dañado ({reason}): pide a quien te la envió que la mande otra vez.",

  composeTitle: "Escribe tu propia tarjeta de felicitación",
  language: "Idioma de la tarjeta",
  greetingLabel: "Tu mensaje",
  sample: "Querido amigo:\n¡feliz Navidad a ti y a los tuyos!\n\n" +
          "Que el año nuevo te traiga alegría, salud y muchos días buenos.\n\n[pause 4]\nCon cariño ❄",
  howTitle: "Cómo lo escribe la tarjeta",
  howPages: "Una línea en blanco empieza una página nueva; un salto de línea empieza una línea nueva en " +
            "la palma.",
  howWrap: "Las palabras pasan a la línea siguiente a las 21 letras; una página tiene 8 líneas y, si es " +
           "más larga, sigue en la siguiente.",
  howPause: "Tras cada página la tarjeta espera un poco, más cuanto más larga es la página; una línea " +
            "{pause} en una página hace que espere ahí 4 segundos (de 0 a 60).",
  howLetters: "Letras: las de todos los idiomas europeos, latinas, griegas y cirílicas, con «comillas», " +
              "rayas y €, y ❄ para un copo de nieve.",
  linkLabel: "El enlace de la tarjeta",
  copy: "Copiar el enlace",
  copied: "Enlace copiado: pégalo en un mensaje.",
  copyRefused: "Aquí no se ha permitido copiar: el enlace está seleccionado, cópialo a mano.",
  linkNote: "El mensaje viaja dentro del propio enlace, después de «#»: nunca se envía al servidor que " +
            "aloja la tarjeta.",
  previewTitle: "La tarjeta, escribiéndolo",
  previewFrame: "La tarjeta escribiendo tu mensaje, sin sonido",
  musicLabel: "Tu música (un módulo XM, si quieres)",
  ownMusic: "Tocar la música de la tarjeta",
  musicUnreadable: "No se puede leer {file} ({reason}).",
  download: "Descargar la tarjeta",
  downloaded: "La tarjeta se ha descargado como «{name}»: adjúntala a un mensaje.",
  downloadFailed: "No se pudo crear la tarjeta ({reason}).",
  downloadNote: "La tarjeta descargada es un solo archivo con el mensaje y la música dentro: adjúntala a un correo o un mensaje y se abre en cualquier navegador, sin conexión.",
  linkNoMusic: "El enlace no lleva música.",
  fileName: "Tarjeta de felicitación",
  previewFrameMusic: "La tarjeta escribiendo tu mensaje, con tu música",
  atLine: "Línea {line}: {reason}",
  atLineColumn: "Línea {line}, columna {column}: {reason}",

  problems: {
    "nul-byte": "byte NUL; un mensaje es texto sin formato",
    "cut-utf8": "el texto termina en medio de un carácter UTF-8",
    "not-utf8": "el byte {byte} no es UTF-8; guarda el mensaje como UTF-8",
    "not-in-font": "{codePoint} no está en la fuente de la tarjeta; la tarjeta escribe letras latinas, " +
                   "griegas y cirílicas",
    "pause-form": "una pausa se escribe [pause SEGUNDOS], de 0 a {most} en décimas, p. ej. [pause 2.5]",
    "second-pause": "una segunda pausa en la misma página (la primera está en la línea {firstLine})",
    "too-many-characters": "el mensaje no cabe en la tarjeta (como mucho {most} caracteres)",
    "word-too-long": "la palabra «{word}» es más larga que una línea de la tarjeta ({letters} letras)",
    "pause-alone": "una pausa va con las palabras de su página, no en una página ella sola",
    "empty": "no hay ningún mensaje (el texto está vacío)",
    "link-empty": "el mensaje del enlace está vacío",
    "link-too-long": "el mensaje del enlace no cabe en una tarjeta ({kb} KB)",
    "link-cut-short": "el mensaje del enlace está cortado; copia el enlace completo",
    "link-stray": "el mensaje del enlace tiene un carácter que no corresponde en la posición {place}; " +
                  "copia el enlace completo",
    "too-long-for-link": "más largo de lo que puede llevar un enlace a la tarjeta ({kb} KB)",
    "no-memory": "demasiado largo para escribirlo en la tarjeta",
  },
});
