// The line's page: reads plx71line's JSON API every 2 s and shows the
// stations, the yield, the boxes, the jobs and the releases. Everything the
// server sends goes into the page as text (textContent), never as markup.
'use strict';

(function () {
  const REFRESH_MS = 2000;
  const REQUEST_TIMEOUT_MS = 8000;
  const TOKEN_KEY = 'plx71line.token';
  const VIEWS = ['stations', 'yield', 'boxes', 'jobs', 'releases'];
  // The outcome classes of the record lines, in the programs' words.
  const OUTCOMES = ['success', 'cancelled', 'verify-mismatch', 'no-answer', 'communication-error',
    'port-not-found', 'port-permission-denied', 'port-busy', 'firmware-version-different',
    'settings-not-loaded', 'file-error', 'output-not-written'];
  // The tile words of Plx71Station and their colours (style.css); the word is always shown.
  const STATE_CLASS = {
    'Idle': 'state-idle', 'Running': 'state-running', 'Checking': 'state-running',
    'Verified': 'state-verified', 'Holds job': 'state-verified', 'Failed': 'state-failed',
    'Differs': 'state-failed', 'Cancelled': 'state-cancelled', 'No box': 'state-nobox',
  };
  // Bucket starts as the server counts them: hours and days from midnight UTC, shifts from 06:00 UTC.
  const BUCKETS = {
    hour: { offset: 0, width: 3600, count: 24 },
    shift: { offset: 6 * 3600, width: 8 * 3600, count: 21 },
    day: { offset: 0, width: 86400, count: 30 },
  };

  const $ = (id) => document.getElementById(id);

  // --- Errors of the page itself, kept where a check can read them.
  function noteError(text) {
    const p = document.createElement('p');
    p.textContent = text;
    $('page-errors').appendChild(p);
  }
  window.addEventListener('error', (e) => noteError('error: ' + e.message + ' (' + e.filename + ':' + e.lineno + ')'));
  document.addEventListener('securitypolicyviolation', (e) => noteError('blocked by the page policy: ' + e.violatedDirective + ' ' + e.blockedURI));
  window.addEventListener('unhandledrejection', (e) => noteError('unhandled: ' + String(e.reason && e.reason.stack || e.reason)));

  // --- Elements, always filled with text.
  function el(tag, text, className) {
    const node = document.createElement(tag);
    if (text !== undefined && text !== null) node.textContent = String(text);
    if (className) node.className = className;
    return node;
  }
  function row(cells) {
    const tr = document.createElement('tr');
    for (const c of cells) tr.appendChild(c instanceof Node ? c : el('td', c));
    return tr;
  }
  function cell(text, className, title) {
    const td = el('td', text, className);
    if (title) td.title = title;
    return td;
  }
  function fillTable(tableId, emptyId, rows) {
    $(tableId).tBodies[0].replaceChildren(...rows);
    if (emptyId) $(emptyId).hidden = rows.length > 0;
  }

  const digest12 = (d) => (typeof d === 'string' && d ? d.slice(0, 12) : '-');
  const orDash = (v) => (v === null || v === undefined || v === '' ? '-' : v);
  const localTime = (iso) => (iso ? new Date(iso).toLocaleString() : '-');
  const percent = (x) => (x === null || x === undefined ? '-' : (x * 100).toFixed(1) + ' %');
  function ago(iso, nowMs) {
    if (!iso) return 'never';
    const s = Math.max(0, Math.round((nowMs - Date.parse(iso)) / 1000));
    if (s < 120) return s + ' s ago';
    if (s < 7200) return Math.round(s / 60) + ' min ago';
    return localTime(iso);
  }

  // --- The token: asked once, kept for this browser session. "#token=..." in the address also gives it.
  const storage = {
    get() { try { return sessionStorage.getItem(TOKEN_KEY) || ''; } catch (e) { return ''; } },
    set(v) { try { sessionStorage.setItem(TOKEN_KEY, v); } catch (e) { /* kept for this page only */ } },
  };
  let token = storage.get();

  function readHash() {
    let view = null;
    let tokenGiven = false;
    for (const part of location.hash.replace(/^#/, '').split('&')) {
      const eq = part.indexOf('=');
      if (eq < 0) { if (part) view = part; continue; }
      const key = part.slice(0, eq);
      const value = decodeURIComponent(part.slice(eq + 1));
      if (key === 'token') { token = value; storage.set(value); tokenGiven = true; }
      if (key === 'view') view = value;
    }
    if (tokenGiven) history.replaceState(null, '', location.pathname + location.search + (view ? '#' + view : ''));
    return view;
  }

  function showView(name) {
    if (!VIEWS.includes(name)) name = 'stations';
    for (const section of document.querySelectorAll('main section[data-view]')) section.hidden = section.dataset.view !== name;
    for (const link of document.querySelectorAll('nav a[data-view]')) {
      if (link.dataset.view === name) link.setAttribute('aria-current', 'page');
      else link.removeAttribute('aria-current');
    }
  }

  function askToken(message) {
    stopRefresh();
    $('token-form').hidden = false;
    $('content').hidden = true;
    $('token-error').textContent = message || '';
    $('connection').textContent = 'Token needed';
    $('token-input').focus();
  }

  $('token-form').addEventListener('submit', (e) => {
    e.preventDefault();
    token = $('token-input').value.trim();
    storage.set(token);
    $('token-input').value = '';
    $('token-form').hidden = true;
    $('content').hidden = false;
    refreshNow();
  });

  // --- The API.
  class HttpError extends Error {
    constructor(status, why) { super(why); this.status = status; }
  }

  async function request(path) {
    const controller = new AbortController();
    const timer = setTimeout(() => controller.abort(), REQUEST_TIMEOUT_MS);
    try {
      return await fetch(path, {
        headers: token ? { Authorization: 'Bearer ' + token } : {},
        cache: 'no-store',
        signal: controller.signal,
      });
    } catch (e) {
      throw new HttpError(0, 'not reachable');
    } finally {
      clearTimeout(timer);
    }
  }

  async function getJson(path) {
    const res = await request(path);
    if (!res.ok) {
      let why = 'HTTP ' + res.status;
      try { why = (await res.json()).error || why; } catch (e) { /* not JSON */ }
      throw new HttpError(res.status, why);
    }
    return res.json();
  }

  // --- Stations.
  function stateClass(word) { return STATE_CLASS[word] || 'state-idle'; }

  function tileOf(t) {
    const word = t.state || 'Idle';
    const tile = el('div', null, 'tile ' + stateClass(word));
    tile.setAttribute('role', 'group');
    tile.setAttribute('aria-label', 'Slot ' + orDash(t.slot) + ': ' + word);
    tile.appendChild(el('div', 'Slot ' + orDash(t.slot) + (t.label ? ' · ' + t.label : ''), 'tile-title'));
    tile.appendChild(el('div', orDash(t.port), 'tile-port'));
    tile.appendChild(el('div', word, 'tile-state'));
    if (t.phase || (t.percent !== null && t.percent !== undefined)) {
      const bar = el('progress');
      bar.max = 100;
      bar.value = Number(t.percent) || 0;
      tile.appendChild(bar);
      tile.appendChild(el('div', (t.phase || '') + (t.percent !== null && t.percent !== undefined ? ' ' + t.percent + '%' : ''), 'tile-phase'));
    }
    const c = t.counters || {};
    const counters = el('div', null, 'tile-counters');
    for (const [word, n] of [['Passed', c.passed], ['Failed', c.failed], ['Cancelled', c.cancelled]]) counters.appendChild(el('span', word + ' ' + (n || 0)));
    tile.appendChild(counters);
    return tile;
  }

  function fact(dl, term, value, title) {
    const div = el('div');
    div.appendChild(el('dt', term));
    const dd = el('dd', value);
    if (title) dd.title = title;
    div.appendChild(dd);
    dl.appendChild(div);
  }

  function stationCard(s, nowMs) {
    const live = s.live || {};
    const card = el('article', null, 'station-card' + (s.offline ? ' offline' : ''));
    card.dataset.station = s.name;
    const head = el('div', null, 'card-head');
    head.appendChild(el('h3', s.name));
    head.appendChild(el('span', s.offline ? 'Offline' : 'Online', s.offline ? 'badge badge-offline' : 'badge badge-online'));
    card.appendChild(head);
    const dl = el('dl', null, 'card-facts');
    fact(dl, 'Project', orDash(live.project));
    fact(dl, 'Job digest', digest12(live.jobDigest), live.jobDigest || '');
    fact(dl, 'Jobs', s.jobs + ' (passed ' + s.passed + ')');
    fact(dl, 'Last seen', ago(s.lastSeen, nowMs));
    const backlog = live.backlog !== null && live.backlog !== undefined ? live.backlog : s.backlog;
    fact(dl, 'Waiting to ship', orDash(backlog));
    card.appendChild(dl);
    const tiles = el('div', null, 'tiles');
    for (const t of live.tiles || []) tiles.appendChild(tileOf(t));
    if (!live.tiles) tiles.appendChild(el('p', 'No live state from this station yet.', 'empty'));
    card.appendChild(tiles);
    return card;
  }

  function renderStations(data) {
    const nowMs = Date.parse(data.now) || Date.now();
    $('station-cards').replaceChildren(...data.stations.map((s) => stationCard(s, nowMs)));
    $('stations-empty').hidden = data.stations.length > 0;
    fillOptions($('filter-station'), data.stations.map((s) => s.name));
  }

  function fillOptions(select, values) {
    const have = Array.from(select.options).map((o) => o.value);
    for (const v of values) {
      if (!have.includes(v)) { const o = el('option', v); o.value = v; select.appendChild(o); }
    }
  }

  // --- Yield.
  let chart = null;
  let chartDrawn = false;
  const timingPlugin = {
    id: 'plx71Timing',
    afterRender(c) {
      // The page's own figure: from navigation start to the first chart drawn with data.
      if (chartDrawn || !c.data.labels.length || !c.width) return;
      chartDrawn = true;
      $('timing').dataset.firstChartMs = performance.now().toFixed(1);
    },
  };

  function yieldBy() { return $('yield-by').value in BUCKETS ? $('yield-by').value : 'hour'; }

  // The first bucket shown: the current one and those before it, on the server's bucket starts.
  function yieldSince(by) {
    const b = BUCKETS[by];
    const now = Math.floor(Date.now() / 1000);
    const current = Math.floor((now - b.offset) / b.width) * b.width + b.offset;
    return current - (b.count - 1) * b.width;
  }

  function bucketLabel(startSeconds, by) {
    const d = new Date(startSeconds * 1000);
    if (by === 'hour') return d.toLocaleTimeString([], { hour: '2-digit', minute: '2-digit' });
    if (by === 'day') return d.toLocaleDateString([], { month: 'short', day: 'numeric' });
    return d.toLocaleDateString([], { weekday: 'short' }) + ' ' + d.toLocaleTimeString([], { hour: '2-digit', minute: '2-digit' });
  }

  function renderYield(data, by, since) {
    const b = BUCKETS[by];
    const byStart = new Map();
    for (const bucket of data.buckets) byStart.set(Math.floor(Date.parse(bucket.start) / 1000), bucket);
    const starts = new Set(byStart.keys());
    for (let i = 0; i < b.count; ++i) starts.add(since + i * b.width);
    const ordered = Array.from(starts).sort((x, y) => x - y);
    const totals = { passed: 0, failed: 0, cancelled: 0 };
    const rows = [];
    for (const start of ordered) {
      const bucket = byStart.get(start) || { passed: 0, failed: 0, cancelled: 0, yield: null };
      totals.passed += bucket.passed;
      totals.failed += bucket.failed;
      totals.cancelled += bucket.cancelled;
      if (byStart.has(start)) {
        rows.push(row([new Date(start * 1000).toLocaleString(), bucket.passed, bucket.failed, bucket.cancelled, percent(bucket.yield)]));
      }
    }
    $('yield-passed').textContent = totals.passed;
    $('yield-failed').textContent = totals.failed;
    $('yield-cancelled').textContent = totals.cancelled;
    const judged = totals.passed + totals.failed;
    $('yield-percent').textContent = judged ? percent(totals.passed / judged) : '-';
    $('yield-span').textContent = 'since ' + new Date(since * 1000).toLocaleString();
    fillTable('yield-table', null, rows);
    chartReady.then(() => drawChart(ordered.map((s) => bucketLabel(s, by)),
      ordered.map((s) => (byStart.get(s) || {}).passed || 0),
      ordered.map((s) => (byStart.get(s) || {}).failed || 0)));
  }

  function renderSummary(summary) {
    $('yield-first-pass').textContent = percent(summary.firstPass.yield);
    fillTable('cause-table', 'causes-empty', summary.causes.map((c) => row([c.outcome, orDash(c.cause), c.jobs])));
  }

  // Chart.js comes after this script: the figures are asked for while it loads.
  const chartReady = new Promise((resolve) => {
    const script = $('chart-script');
    if (typeof Chart !== 'undefined' || !script) { resolve(); return; }
    script.addEventListener('load', resolve);
    script.addEventListener('error', resolve);
  });

  function drawChart(labels, passed, failed) {
    if (typeof Chart === 'undefined') {
      if (!chart) { chart = 'missing'; noteError('Chart.js was not loaded (chart.min.js)'); }
      return;
    }
    if (chart) {
      chart.data.labels = labels;
      chart.data.datasets[0].data = passed;
      chart.data.datasets[1].data = failed;
      chart.update('none');
      return;
    }
    chart = new Chart($('yield-chart'), {
      type: 'bar',
      data: {
        labels,
        datasets: [
          { label: 'Passed', data: passed, backgroundColor: '#2e7d32', stack: 'jobs' },
          { label: 'Failed', data: failed, backgroundColor: '#c62828', stack: 'jobs' },
        ],
      },
      options: {
        animation: false,
        responsive: true,
        maintainAspectRatio: false,
        scales: { x: { stacked: true }, y: { stacked: true, beginAtZero: true, ticks: { precision: 0 } } },
        plugins: { legend: { position: 'bottom' } },
      },
      plugins: [timingPlugin],
    });
  }

  // --- Boxes.
  function checkWords(check) {
    if (!check) return 'Never checked';
    const word = check.outcome === 'success' ? 'Holds job' : check.outcome === 'verify-mismatch' ? 'Differs' : orDash(check.outcome);
    return word + ' (' + digest12(check.jobDigest) + ', ' + localTime(check.time) + ')';
  }

  function renderBoxes(data) {
    fillTable('box-table', 'boxes-empty', data.boxes.map((b) => {
      const released = !b.verifiedDigest ? cell('-') : b.verifiedReleased ? cell('Released', 'yes') : cell('Not released', 'no');
      const check = cell(checkWords(b.lastCheck), b.lastCheck ? (b.lastCheck.outcome === 'success' ? 'yes' : 'no') : '');
      return row([b.station, orDash(b.slot), b.port, orDash(b.device), localTime(b.lastTime), orDash(b.lastOutcome),
        cell(digest12(b.verifiedDigest), 'digest', b.verifiedDigest || ''), localTime(b.verifiedTime), released, check]);
    }));
  }

  // --- Jobs.
  function isoOfLocal(input) {
    if (!input.value) return '';
    const t = new Date(input.value);
    return isNaN(t) ? '' : t.toISOString().replace(/\.\d{3}Z$/, 'Z');
  }

  function jobFilters() {
    const p = new URLSearchParams();
    if ($('filter-station').value) p.set('station', $('filter-station').value);
    if ($('filter-outcome').value) p.set('outcome', $('filter-outcome').value);
    const since = isoOfLocal($('filter-since'));
    const until = isoOfLocal($('filter-until'));
    if (since) p.set('since', since);
    if (until) p.set('until', until);
    return p;
  }

  function jobCause(j) {
    if (typeof j.cause === 'string') return j.cause;
    if (j.portProblem && typeof j.portProblem.cause === 'string') return j.portProblem.cause;
    return '';
  }

  function renderJobs(data) {
    fillTable('job-table', 'jobs-empty', data.jobs.map((j) => row([localTime(j.time), orDash(j.station), orDash(j.slot),
      orDash(j.label), orDash(j.stableName || j.devicePath || j.port), orDash(j.command),
      cell(orDash(j.outcome), j.outcome === 'success' ? 'yes' : j.outcome === 'cancelled' ? '' : 'no'),
      orDash(jobCause(j)), cell(digest12(j.jobDigest), 'digest', j.jobDigest || '')])));
  }

  async function downloadCsv() {
    $('csv-state').textContent = 'Preparing the file...';
    try {
      const res = await request('/api/v1/jobs.csv?' + jobFilters().toString());
      if (!res.ok) throw new HttpError(res.status, 'HTTP ' + res.status);
      const url = URL.createObjectURL(await res.blob());
      const a = el('a');
      a.href = url;
      a.download = 'plx71-jobs.csv';
      document.body.appendChild(a);
      a.click();
      a.remove();
      setTimeout(() => URL.revokeObjectURL(url), 60000);
      $('csv-state').textContent = '';
    } catch (e) {
      $('csv-state').textContent = 'Download failed: ' + e.message;
    }
  }

  // --- Releases.
  function fileNames(files) {
    if (!Array.isArray(files)) return '-';
    return files.map((f) => (typeof f === 'string' ? f : f && (f.path || f.name)) || '?').join(', ') || '-';
  }

  function renderReleases(data) {
    fillTable('release-table', 'releases-empty', data.releases.map((r) => row([
      cell(r.jobDigest, 'digest full-digest'),
      r.released ? cell('Released', 'yes') : cell('Revoked by ' + orDash(r.revokedBy) + ', ' + localTime(r.revokedAt), 'no'),
      orDash(r.device), orDash(r.userRomChecksum), orDash(r.bootRomChecksum), fileNames(r.files),
      orDash(r.releasedBy), localTime(r.releasedAt), orDash(r.note)])));
  }

  // --- Refresh: all views every 2 s, the next round 2 s after the last one ended.
  let timer = null;
  let busy = false;
  let again = false;
  let lastUpdate = null;

  function stopRefresh() { clearTimeout(timer); timer = null; }

  function refreshNow() {
    if (busy) { again = true; return; }
    stopRefresh();
    refresh();
  }

  function setConnection(ok, text) {
    document.body.classList.toggle('stale', !ok);
    $('connection').textContent = text;
    $('connection').className = ok ? '' : 'error';
  }

  async function refresh() {
    busy = true;
    const by = yieldBy();
    const since = yieldSince(by);
    const sinceIso = new Date(since * 1000).toISOString().replace(/\.\d{3}Z$/, 'Z');
    const jobQuery = jobFilters();
    jobQuery.set('limit', '100');
    let wait = true;
    try {
      // Each view is drawn as soon as its answer is there; the round ends when all are.
      const results = await Promise.allSettled([
        getJson('/api/v1/stations').then(renderStations),
        getJson('/api/v1/yield?by=' + by + '&since=' + sinceIso).then((data) => renderYield(data, by, since)),
        getJson('/api/v1/summary?since=' + sinceIso).then(renderSummary),
        getJson('/api/v1/boxes').then(renderBoxes),
        getJson('/api/v1/jobs?' + jobQuery.toString()).then(renderJobs),
        getJson('/api/v1/releases').then(renderReleases),
      ]);
      const failed = results.find((r) => r.status === 'rejected');
      if (failed) throw failed.reason;
      lastUpdate = new Date();
      document.body.dataset.updates = String(Number(document.body.dataset.updates || 0) + 1);
      setConnection(true, 'Updated ' + lastUpdate.toLocaleTimeString());
    } catch (e) {
      if (!(e instanceof HttpError)) {
        noteError('page: ' + (e && e.stack || e));
      } else if (e.status === 401) {
        wait = false;
        askToken(token ? 'The token was not accepted: enter another.' : '');
      } else {
        const last = lastUpdate ? ' (numbers of ' + lastUpdate.toLocaleTimeString() + ')' : '';
        setConnection(false, (e.status === 0 ? 'Line server not reachable' : 'Line server: ' + e.message) + last);
      }
    } finally {
      busy = false;
    }
    if (again) { again = false; refresh(); return; }
    if (wait) timer = setTimeout(refresh, REFRESH_MS);
  }

  // --- Start.
  for (const o of OUTCOMES) { const opt = el('option', o); opt.value = o; $('filter-outcome').appendChild(opt); }
  for (const id of ['filter-station', 'filter-outcome', 'filter-since', 'filter-until', 'yield-by']) $(id).addEventListener('change', refreshNow);
  $('csv-download').addEventListener('click', downloadCsv);
  window.addEventListener('hashchange', () => showView(readHash()));
  showView(readHash());
  refresh();
})();
