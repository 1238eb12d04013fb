// The script half of the web backend, linked into the card's program. Each
// function hands over to the page (Module.page, set by the page before the
// program starts), which owns the canvas and the sound; this file only
// moves numbers and pixels across.
mergeInto(LibraryManager.library, {
  yuleCanvasWidth: function() {
    return Module['page'].outputWidth();
  },
  yuleCanvasHeight: function() {
    return Module['page'].outputHeight();
  },
  yuleShowPicture: function(rgba, width, height, scale, x, y, w, h) {
    var pixels = HEAPU8.subarray(rgba, rgba + width * height * 4);
    Module['page'].showPicture(pixels, width, height, {scale: scale, x: x, y: y, w: w, h: h});
  },
  yuleHidePointer: function() {
    Module['page'].hidePointer();
  },
  yuleShowPointer: function() {
    Module['page'].showPointer();
  },
  yuleAudioOpen: function(rate) {
    return Module['page'].audioOpen(rate);
  },
  yuleAudioStart: function() {
    Module['page'].audioStart();
  },
  yuleAudioStop: function() {
    Module['page'].audioStop();
  },
  yuleAudioClose: function() {
    Module['page'].audioClose();
  },
  yuleShowEnded: function(status) {
    Module['page'].showEnded(status);
  },
});
