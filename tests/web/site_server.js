// The built site on 127.0.0.1, with the tests' own files (the sound tap)
// under /test/. Resolves to the listening server.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const TYPES = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
               '.wasm': 'application/wasm'};

function serveSite(site, testFiles = __dirname) {
  const server = http.createServer((req, res) => {
    let p = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    if (p.endsWith('/')) p += 'index.html';
    const root = p.startsWith('/test/') ? testFiles : site;
    const file = path.join(root, p.startsWith('/test/') ? p.slice(6) : p);
    if (!file.startsWith(root + path.sep)) {
      res.writeHead(403);
      res.end();
      return;
    }
    fs.readFile(file, (err, data) => {
      if (err) {
        res.writeHead(404);
        res.end();
        return;
      }
      res.writeHead(200, {'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                          'Cache-Control': 'no-store'});
      res.end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

module.exports = {serveSite};
