// Written as Brazilian Portuguese reads it, which most readers of "pt" are.
yulecardWords.add("pt", {
  name: "Português",

  cardTitle: "Um cartão de boas-festas",
  cardPicture: "Um cartão de boas-festas: cai neve enquanto uma mão escreve uma mensagem na palma de outra " +
               "mão, com música.",
  invitation: "Clique, toque ou pressione qualquer tecla para abrir o cartão",
  invitationAgain: "Clique, toque ou pressione qualquer tecla para abrir o cartão novamente",
  writeOwn: "Escreva seu próprio cartão",
  stop: "Parar o cartão",
  stopHint: "Parar (Esc)",
  openAgain: "Abrir o cartão novamente",
  openAgainHint: "Abrir novamente",
  mute: "Silenciar a música",
  muteHint: "Silenciar (M)",
  unmute: "Ligar a música",
  noSound: "Aqui o cartão funciona sem som ({reason}).",
  cannotOpen: "Não foi possível abrir o cartão neste navegador.",
  cannotRun: "O cartão não funciona neste navegador ({reason}).",
  badLink: "O link deste cartão não traz uma mensagem que ele consiga escrever ({reason}), então ele " +
           "mostra a sua própria.",
  linkAtLine: "linha {line} da mensagem: {reason}",
  linkAtLineColumn: "linha {line}, coluna {column} da mensagem: {reason}",

  composeTitle: "Escreva seu próprio cartão de boas-festas",
  language: "Idioma do cartão",
  greetingLabel: "Sua mensagem",
  sample: "Querido amigo,\nfeliz Natal para você e sua família!\n\n" +
          "Que o ano novo traga alegria, saúde e muitos dias bons.\n\n[pause 4]\nUm grande abraço ❄",
  howTitle: "Como o cartão escreve",
  howPages: "Uma linha em branco começa uma nova página; uma quebra de linha começa uma nova linha na palma.",
  howWrap: "As palavras passam para a linha seguinte em 21 letras; uma página tem 8 linhas e, se for " +
           "maior, continua na seguinte.",
  howPause: "Depois de cada página o cartão espera um pouco, mais tempo depois das páginas maiores; uma " +
            "linha {pause} em uma página faz ele esperar ali 4 segundos (de 0 a 60).",
  howLetters: "Letras: as de todas as línguas europeias, latinas, gregas e cirílicas, com “aspas”, " +
              "travessões e €, e ❄ para um floco de neve.",
  linkLabel: "O link do cartão",
  copy: "Copiar o link",
  copied: "Link copiado: cole-o em uma mensagem.",
  copyRefused: "A cópia foi bloqueada aqui: o link está selecionado, copie-o manualmente.",
  linkNote: "A mensagem vai dentro do próprio link, depois do “#”: ela nunca é enviada ao servidor que " +
            "hospeda o cartão.",
  previewTitle: "O cartão, escrevendo",
  previewFrame: "O cartão escrevendo sua mensagem, sem som",
  atLine: "Linha {line}: {reason}",
  atLineColumn: "Linha {line}, coluna {column}: {reason}",

  problems: {
    "nul-byte": "byte NUL; uma mensagem é texto simples",
    "cut-utf8": "o texto termina no meio de um caractere UTF-8",
    "not-utf8": "o byte {byte} não é UTF-8; salve a mensagem como UTF-8",
    "not-in-font": "{codePoint} não está na fonte do cartão; o cartão escreve letras latinas, gregas e " +
                   "cirílicas",
    "pause-form": "uma pausa se escreve [pause SEGUNDOS], de 0 a {most} em décimos, por ex. [pause 2.5]",
    "second-pause": "uma segunda pausa na mesma página (a primeira está na linha {firstLine})",
    "too-many-characters": "a mensagem não cabe no cartão (no máximo {most} caracteres)",
    "word-too-long": "a palavra “{word}” é mais longa que uma linha do cartão ({letters} letras)",
    "pause-alone": "uma pausa vai com as palavras da sua página, não em uma página só para ela",
    "empty": "não há mensagem (o texto está vazio)",
    "link-empty": "a mensagem do link está vazia",
    "link-too-long": "a mensagem do link não cabe em um cartão ({kb} KB)",
    "link-cut-short": "a mensagem do link está cortada; copie o link inteiro",
    "link-stray": "a mensagem do link tem um caractere fora do lugar na posição {place}; copie o link inteiro",
    "too-long-for-link": "mais longa do que um link para o cartão consegue levar ({kb} KB)",
    "no-memory": "longa demais para ser escrita no cartão",
  },
});
