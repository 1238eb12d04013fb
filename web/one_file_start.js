// The one inline script of the card sent as one file (yulecard.html): the
// page's own scripts travel gzipped in the element before it, and run from
// here in their order. Anything amiss (a file cut inside them, a browser
// without DecompressionStream) leaves the page's line saying it did not open.
(function () {
  var slot = document.getElementById('card-scripts');
  var binary = atob(slot.textContent);
  var bytes = new Uint8Array(binary.length);
  for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  var scripts = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  new Response(scripts).text().then(function (text) {
    JSON.parse(text).forEach(function (source) {
      var script = document.createElement('script');
      script.src = 'data:text/javascript;charset=utf-8,' + encodeURIComponent(source);
      script.async = false;  // in their order, as the page lists them
      document.body.appendChild(script);
    });
  });
})();
