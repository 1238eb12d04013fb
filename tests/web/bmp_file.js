// A 24-bit BMP as written by yulecard-shot: rows bottom-up, padded to 4
// bytes. Returns {width, height, rgb} with rgb top-down, three bytes a pixel.
'use strict';
const fs = require('fs');

function readBmp(file) {
  const b = fs.readFileSync(file);
  const offset = b.readUInt32LE(10), width = b.readInt32LE(18), rawHeight = b.readInt32LE(22);
  const bits = b.readUInt16LE(28);
  if (bits !== 24) throw new Error(`${file}: ${bits} bits per pixel`);
  const height = Math.abs(rawHeight), stride = Math.ceil(width * 3 / 4) * 4;
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; y++) {
    const row = offset + stride * (rawHeight > 0 ? height - 1 - y : y);
    for (let x = 0; x < width; x++) {
      rgb[(y * width + x) * 3] = b[row + x * 3 + 2];
      rgb[(y * width + x) * 3 + 1] = b[row + x * 3 + 1];
      rgb[(y * width + x) * 3 + 2] = b[row + x * 3];
    }
  }
  return {width, height, rgb};
}

module.exports = {readBmp};
