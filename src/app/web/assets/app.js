'use strict';
// The status page: first the whole status, then every change pushed by the server as a
// server-sent event. A token given in the page's address is passed on to every request.
(function () {
  const token = new URLSearchParams(location.search).get('token');
  const suffix = token ? '?token=' + encodeURIComponent(token) : '';
  const seen = new Set();
  let first = true;

  function cell(tr, text, cls) {
    const td = document.createElement('td');
    td.textContent = text;
    if (cls) td.className = cls;
    tr.appendChild(td);
  }

  function render(s) {
    document.getElementById('versione').textContent = s.version;
    document.getElementById('collegamento').textContent = s.link.name + (s.link.up ? '' : ' (non attivo)');
    document.getElementById('ora').textContent = s.now;
    document.getElementById('ammessi').textContent = s.today.admitted;
    document.getElementById('respinti').textContent = s.today.refused;
    document.getElementById('db').textContent = s.database ? 'risponde' : 'non risponde';
    document.getElementById('db').className = s.database ? 'si' : 'no';

    const rows = document.querySelector('#accessi tbody');
    rows.replaceChildren();
    for (const a of s.accesses) {
      const tr = document.createElement('tr');
      tr.className = a.verdict;
      tr.dataset.id = a.id;
      if (!first && !seen.has(a.id)) tr.classList.add('nuovo');
      seen.add(a.id);
      cell(tr, a.time);
      cell(tr, a.name || '\u2014');
      cell(tr, a.outcome || (a.verdict === 'admitted' ? 'AMMESSO' : a.verdict === 'refused' ? 'RESPINTO' : ''), 'esito');
      cell(tr, a.irregularity);
      cell(tr, String(a.terminal));
      cell(tr, a.card);
      rows.appendChild(tr);
    }
    document.getElementById('nessuno').hidden = s.accesses.length > 0;

    const terms = document.querySelector('#terminali tbody');
    terms.replaceChildren();
    let connected = 0;
    for (const t of s.terminals) {
      const tr = document.createElement('tr');
      tr.dataset.address = t.address;
      cell(tr, String(t.address));
      cell(tr, t.description);
      cell(tr, String(t.type));
      cell(tr, t.ip);
      cell(tr, t.stateText);
      cell(tr, t.connected ? 'collegato' : 'non collegato', t.connected ? 'si' : 'no');
      terms.appendChild(tr);
      if (t.connected) connected++;
    }
    document.getElementById('collegati').textContent = connected + '/' + s.terminals.length;
    document.getElementById('registro').textContent = s.log.slice().reverse().join('\n');
    first = false;
  }

  function warn(text) {
    const w = document.getElementById('avviso');
    w.textContent = text || '';
    w.hidden = !text;
  }

  fetch('status.json' + suffix).then(r => r.ok ? r.json() : Promise.reject(r.status)).then(render)
    .catch(e => warn('Stato non disponibile (' + e + ')'));
  const events = new EventSource('events' + suffix);
  events.addEventListener('status', e => { warn(''); render(JSON.parse(e.data)); });
  events.onerror = () => warn('Collegamento con il server interrotto: nuovo tentativo in corso\u2026');
})();
