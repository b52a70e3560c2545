// The web guide: one page whose views (#guide, #program/ID, #search, #schedules, #rules,
// #recordings, #status) are drawn from the JSON API of kestrod.
'use strict';

const api = '/api/v1';
const state = { lineup: 1, token: '', guideStart: null, list: 0 };
const view = document.getElementById('view');
const HALF_HOUR_PX = 180;

// --- small helpers -------------------------------------------------------------------------

function el(tag, attrs = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attrs)) {
    if (name === 'onclick' || name === 'onchange' || name === 'onsubmit') node[name] = value;
    else if (value !== null && value !== undefined && value !== false) node.setAttribute(name, value);
  }
  for (const child of children.flat()) {
    if (child !== null && child !== undefined) node.append(child);
  }
  return node;
}

function say(text, isError = false) {
  const box = document.getElementById('message');
  box.textContent = text;
  box.className = isError ? 'error' : '';
  box.hidden = !text;
}

// Calls the API; resolves to the answer's JSON, or throws an Error with the server's message.
async function call(method, path, body) {
  const options = { method, headers: {} };
  if (method !== 'GET') {
    options.headers['X-CSRF-Token'] = state.token;
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body || {});
  }
  const response = await fetch(api + path, options);
  const json = await response.json().catch(() => ({ error: response.statusText }));
  if (!response.ok && !(json && json.result)) {
    const error = new Error(json.error || response.statusText);
    error.answer = json;
    throw error;
  }
  return json;
}
const lineupPath = (rest) => `/lineups/${state.lineup}${rest}`;

const pad = (n) => String(n).padStart(2, '0');
// Times of the API are local "YYYY-MM-DDTHH:MM:SS".
const parseTime = (text) => new Date(text);
const apiTime = (d) =>
  `${d.getFullYear()}-${pad(d.getMonth() + 1)}-${pad(d.getDate())}T${pad(d.getHours())}:${pad(d.getMinutes())}`;
const hhmm = (d) => `${pad(d.getHours())}:${pad(d.getMinutes())}`;
const dayText = (d) => d.toLocaleDateString(undefined, { weekday: 'short', day: 'numeric', month: 'short' });
const when = (text) => { const d = parseTime(text); return `${dayText(d)} ${hhmm(d)}`; };
const halfHourBefore = (d) => { const t = new Date(d); t.setMinutes(t.getMinutes() < 30 ? 0 : 30, 0, 0); return t; };
const genreClass = (genres) => {
  if (!genres || !genres.length) return '';
  let h = 0;
  for (const c of genres[0]) h = (h * 31 + c.charCodeAt(0)) % 997;
  return `genre-${h % 6}`;
};

function conflictWords(result) {
  const lines = [`${result.code}${result.description ? ': ' + result.description : ''}`];
  for (const s of result.showings || []) {
    if (s.conflict === 'NONE' || s.conflict === 'SELF') continue;
    const others = (s['conflicts-with'] || []).map((c) => `"${c.title}" (${when(c.start)})`).join(', ');
    lines.push(`${when(s.start)} ${s.title}: ${s.conflict.toLowerCase()} conflict${others ? ' with ' + others : ''}`);
  }
  return lines.join('\n');
}

// --- the guide grid ------------------------------------------------------------------------

async function showGuide() {
  const start = state.guideStart || halfHourBefore(new Date());
  const hours = 3;
  const lists = await call('GET', lineupPath('/channel-lists')).catch(() => []);
  const guide = await call('GET', lineupPath(`/guide?start=${apiTime(start)}&hours=${hours}` +
                                             (state.list ? `&list=${state.list}` : '')));
  const move = (minutes) => () => { state.guideStart = new Date(start.getTime() + minutes * 60000); route(); };
  const tonight = new Date(); tonight.setHours(20, 0, 0, 0);
  const listChooser = el('select', { id: 'channel-list', onchange: (e) => { state.list = +e.target.value; route(); } },
    el('option', { value: 0 }, 'Wanted channels'),
    lists.filter((l) => l.id > 0).map((l) => el('option', { value: l.id, selected: l.id === state.list }, l.name)));
  const dateInput = el('input', { type: 'date', value: apiTime(start).slice(0, 10),
    onchange: (e) => { const d = new Date(e.target.value + 'T20:00'); if (!isNaN(d)) { state.guideStart = d; route(); } } });
  const [box, drawRows] = grid(guide, start, hours);
  view.replaceChildren(
    el('div', { class: 'controls' },
      el('button', { onclick: move(-180) }, '◀ 3 h'),
      el('button', { id: 'jump-now', onclick: () => { state.guideStart = null; route(); } }, 'Now'),
      el('button', { onclick: () => { state.guideStart = tonight; route(); } }, 'Tonight'),
      el('button', { onclick: move(180) }, '3 h ▶'),
      dateInput, listChooser,
      el('span', {}, `${dayText(start)} ${hhmm(start)} – ${hhmm(parseTime(guide.end))}`)),
    box);
  drawRows();
}

// The grid draws only the rows on screen and a screen's height above and below them; scrolling
// the page draws the rows coming into reach and drops those gone far out of it. Rows have one
// height, so each is placed by its index and the grid keeps the height of all of them.
const ROW_PX = 52;
const CHANNEL_PX = 140;
let stopGridScroll = () => {};

function grid(guide, start, hours) {
  stopGridScroll();
  const width = hours * 2 * HALF_HOUR_PX;
  const x = (time) => ((parseTime(time) - start) / 1800000) * HALF_HOUR_PX;
  const times = el('div', { class: 'grid-line', style: `width:${width}px` });
  for (let i = 0; i < hours * 2; i++) {
    times.append(el('span', { style: `left:${i * HALF_HOUR_PX}px` }, hhmm(new Date(start.getTime() + i * 1800000))));
  }
  const channels = guide.channels;
  const body = el('div', { class: 'grid-body',
    style: `width:${CHANNEL_PX + width}px;height:${channels.length * ROW_PX}px` });
  const box = el('div', { class: 'grid', id: 'grid', 'data-channels': channels.length },
    el('div', { class: 'grid-row grid-times' }, el('div', { class: 'grid-channel' }, ''), times), body);

  const row = (index) => {
    const channel = channels[index];
    const line = el('div', { class: 'grid-line', style: `width:${width}px` });
    for (const p of channel.programs) {
      const left = Math.max(0, x(p.start));
      const right = Math.min(width, x(p.end));
      if (right <= left) continue;
      const classes = ['program', genreClass(p.genres)];
      if (p['schedule-id']) classes.push('scheduled');
      if (p['schedule-status'] && /CONFLICT|LOST/i.test(p['schedule-status'])) classes.push('conflict');
      const episode = p.season ? `S${p.season}E${p['season-episode']}` : p.episode;
      line.append(el('a', {
        class: classes.join(' '), href: `#program/${p.id}`, 'data-program': p.id,
        title: `${hhmm(parseTime(p.start))}–${hhmm(parseTime(p.end))} ${p.title}`,
        style: `left:${left}px;width:${right - left - 2}px` },
        p.title, el('small', {}, [p.subtitle, episode].filter(Boolean).join(' · ') || '\u00a0')));
    }
    return el('div', { class: 'grid-row', 'data-channel': channel.id, style: `top:${index * ROW_PX}px` },
      el('div', { class: 'grid-channel' }, el('strong', {}, String(channel.number)), ' ', channel.name), line);
  };

  const drawn = new Map();  // row index -> its element
  const draw = () => {
    const top = body.getBoundingClientRect().top;
    const screen = window.innerHeight;
    const first = Math.max(0, Math.floor((-top - screen) / ROW_PX));
    const last = Math.min(channels.length, Math.ceil((screen - top + screen) / ROW_PX));
    for (const [index, node] of drawn) {
      if (index < first || index >= last) { node.remove(); drawn.delete(index); }
    }
    const fragment = document.createDocumentFragment();
    for (let i = first; i < last; i++) {
      if (!drawn.has(i)) { const node = row(i); drawn.set(i, node); fragment.append(node); }
    }
    body.append(fragment);
  };
  let pending = false;
  const onScroll = () => {
    if (!box.isConnected) { stopGridScroll(); return; }
    if (!pending) { pending = true; requestAnimationFrame(() => { pending = false; draw(); }); }
  };
  window.addEventListener('scroll', onScroll, { passive: true });
  window.addEventListener('resize', onScroll);
  stopGridScroll = () => {
    window.removeEventListener('scroll', onScroll);
    window.removeEventListener('resize', onScroll);
  };

  const now = x(apiTime(new Date()));
  if (now >= 0 && now <= width) box.append(el('div', { class: 'now-line', id: 'now-line', style: `left:${CHANNEL_PX + now}px` }));
  return [box, draw];  // draw once the box is on the page
}

// --- a programme ---------------------------------------------------------------------------

async function showProgram(id) {
  const p = await call('GET', lineupPath(`/programs/${id}`));
  const start = parseTime(p.start), end = parseTime(p.end);
  const rows = [
    ['Channel', p.channel], ['When', `${dayText(start)} ${hhmm(start)}–${hhmm(end)}`],
    ['Subtitle', p.subtitle], ['Description', p.description],
    ['Episode', p.season ? `season ${p.season}, episode ${p['season-episode']}` : p.episode],
    ['Genres', p.genres.join(', ')], ['People', p.people.map((x) => `${x.name} (${x.role})`).join(', ')],
    ['Year', p.year || ''], ['Rating', [p['tv-rating'], p['movie-rating']].filter(Boolean).join(' ')],
    ['Flags', [p.repeat === 'yes' && 'repeat', p.subtitled === 'yes' && 'subtitled', p.hdtv === 'yes' && 'HD'].filter(Boolean).join(', ')],
    ['Recording', p['schedule-id'] ? `scheduled (#${p['schedule-id']})` : 'not scheduled'],
  ].filter(([, v]) => v);
  const before = el('input', { type: 'number', min: 0, max: 60, value: 0, id: 'pad-before', size: 3 });
  const after = el('input', { type: 'number', min: 0, max: 120, value: 0, id: 'pad-after', size: 3 });
  const keep = el('select', { id: 'keep' }, el('option', { value: 'space-needed' }, 'until space is needed'),
    el('option', { value: 'until-deleted' }, 'until I delete it'));
  const weekday = ['sun', 'mon', 'tue', 'wed', 'thu', 'fri', 'sat'][start.getDay()];
  const act = (fn) => async () => {
    try { say(await fn()); route(); } catch (e) { say(e.answer && e.answer.result ? conflictWords(e.answer.result) : e.message, true); }
  };
  view.replaceChildren(
    el('h2', {}, p.title),
    el('table', { class: 'details' }, rows.map(([k, v]) => el('tr', {}, el('th', {}, k), el('td', {}, String(v))))),
    el('div', { class: 'actions' },
      el('fieldset', {}, el('legend', {}, 'This showing'),
        'Start ', before, ' min early, end ', after, ' min late, keep ', keep, ' ',
        el('button', { class: 'primary', id: 'record-showing', onclick: act(async () => {
          try {
            const r = await call('POST', lineupPath('/schedules'), { 'program-id': p.id,
              before: +before.value * 60, after: +after.value * 60, keep: keep.value });
            return `Recording on tuner ${r.schedule['tuner-id']}.`;
          } catch (e) {
            if (!e.answer || !e.answer.conflicts) throw e;
            throw new Error(`${e.message}. In the way: ` +
              e.answer.conflicts.map((c) => `"${c.title}" ${when(c.start)} on tuner ${c['tuner-id']}`).join(', '));
          }
        }) }, 'Record this showing')),
      el('fieldset', {}, el('legend', {}, 'Every showing'),
        el('button', { id: 'record-every', onclick: act(async () => {
          const r = await call('POST', lineupPath('/rules'), { search: `title ${p['search-title']}`,
            title: p.title, duplicates: 'not-in-library' });
          return `Rule saved: ${r.rule.schedules.length} showing(s) to record.\n${conflictWords(r.result)}`;
        }) }, `Record every showing of “${p.title}”`)),
      el('fieldset', {}, el('legend', {}, 'This time slot'),
        el('button', { id: 'record-slot', onclick: act(async () => {
          const r = await call('POST', lineupPath('/rules'), { 'channel-id': p['channel-id'],
            start: hhmm(start), end: hhmm(end), frequency: weekday });
          return `Rule saved: ${r.rule.title}.\n${conflictWords(r.result)}`;
        }) }, `Record ${p.channel} every ${weekday} ${hhmm(start)}–${hhmm(end)}`))),
    el('h3', {}, 'Other showings'),
    p['other-showings'].length
      ? el('ul', {}, p['other-showings'].map((o) => el('li', {}, el('a', { href: `#program/${o.id}` }, when(o.start)), ' ', o.title)))
      : el('p', {}, 'None in the guide.'));
}

// --- search --------------------------------------------------------------------------------

const searchHelp = `The custom search takes one condition per line (or separated by \\):
  title star trek*        the title, * as a wildcard
  keywords space ship     any of the words in title or description
  person Ana Núñez        a person of the cast
  type MV                 MV film, EP episode, SH show, SP sport
  channel 4               a channel number
  day sat                 a day of the week
  time 20:00-23:00        starting in this window
All conditions must hold.`;

async function showSearch(params) {
  const q = params.get('q') || '', kind = params.get('kind') || 'title';
  const input = el('input', { id: 'search-text', value: q, size: 40, placeholder: 'star trek*' });
  const kinds = el('select', { id: 'search-kind' },
    ['title', 'keywords', 'person', 'type', 'key', 'custom'].map((k) => el('option', { value: k, selected: k === kind }, k)));
  const results = el('div', {});
  view.replaceChildren(
    el('form', { class: 'controls', onsubmit: (e) => {
      e.preventDefault();
      location.hash = `#search?kind=${kinds.value}&q=${encodeURIComponent(input.value)}`;
    } }, kinds, input, el('button', { class: 'primary' }, 'Search')),
    results, el('details', {}, el('summary', {}, 'The custom search language'), el('pre', { class: 'help' }, searchHelp)));
  if (!q) return;
  const found = await call('GET', lineupPath(`/search?kind=${kind}&q=${encodeURIComponent(q)}`));
  results.replaceChildren(found.length ? el('table', {}, found.map((p) => el('tr', {},
    el('td', {}, when(p.start)), el('td', {}, p.channel),
    el('td', {}, el('a', { href: `#program/${p.id}` }, p.title)), el('td', {}, p.subtitle),
    el('td', {}, p['schedule-id'] ? '● to record' : '')))) : el('p', {}, 'Nothing found.'));
}

// --- schedules -----------------------------------------------------------------------------

async function showSchedules() {
  const live = await call('GET', lineupPath('/schedules'));
  const lost = await call('GET', lineupPath('/schedules?view=lost'));
  const upcoming = live.schedules.filter((s) => parseTime(s.end) > new Date());
  const from = upcoming.length ? Math.min(...upcoming.map((s) => parseTime(s.start))) : Date.now();
  const to = upcoming.length ? Math.max(...upcoming.map((s) => parseTime(s.end))) : from + 3600000;
  const span = Math.max(to - from, 3600000);
  const lanes = [];
  for (let tuner = 1; tuner <= live.tuners; tuner++) {
    const lane = el('div', { class: 'lane', 'data-tuner': tuner });
    for (const s of upcoming.filter((x) => x['tuner-id'] === tuner)) {
      const left = ((parseTime(s.start) - from) / span) * 100, width = ((parseTime(s.end) - parseTime(s.start)) / span) * 100;
      lane.append(el('div', { class: 'block', style: `left:${left}%;width:${width}%`, title: `${when(s.start)} ${s.title}` }, s.title));
    }
    lanes.push(el('div', {}, `Tuner ${tuner}`), lane);
  }
  const remove = (s) => async () => {
    try { await call('DELETE', lineupPath(`/schedules/${s.id}`)); say(`Deleted "${s.title}".`); route(); }
    catch (e) { say(e.message, true); }
  };
  view.replaceChildren(el('h2', {}, 'Upcoming recordings'), ...lanes,
    el('table', { id: 'schedules' }, el('tr', {}, ['When', 'Title', 'Channel', 'Tuner', 'Status', ''].map((h) => el('th', {}, h))),
      upcoming.map((s) => el('tr', { 'data-schedule': s.id }, el('td', {}, when(s.start)), el('td', {}, s.title),
        el('td', {}, s.channel), el('td', {}, s['tuner-id'] || '—'), el('td', {}, s.status || 'waiting'),
        el('td', {}, el('button', { class: 'danger', onclick: remove(s) }, 'Delete'))))),
    el('h2', {}, 'Lost showings'),
    lost.schedules.length ? el('ul', {}, lost.schedules.map((s) => el('li', {}, `${when(s.start)} ${s.title}: ${s.reason || s.status}`)))
      : el('p', {}, 'None.'));
}

// --- rules ---------------------------------------------------------------------------------

async function showRules() {
  const rules = await call('GET', lineupPath('/rules'));
  const order = async (ids) => {
    try { await call('POST', lineupPath('/rules/order'), { ids }); route(); } catch (e) { say(e.message, true); }
  };
  const moved = (i, by) => () => {
    const ids = rules.map((r) => r.id);
    [ids[i], ids[i + by]] = [ids[i + by], ids[i]];
    order(ids);
  };
  const search = el('input', { id: 'rule-search', size: 40, placeholder: 'title news at the hour' });
  const options = () => ({ search: search.value, duplicates: 'not-in-library' });
  const act = (fn) => async () => { try { say(await fn()); } catch (e) { say(e.answer && e.answer.result ? conflictWords(e.answer.result) : e.message, true); } };
  view.replaceChildren(
    el('h2', {}, 'Rules, highest priority first'),
    el('table', { id: 'rules' }, rules.map((r, i) => el('tr', { 'data-rule': r.id },
      el('td', {}, String(r.priority)), el('td', {}, r.title),
      el('td', {}, r.type === 'search' ? r.search.replace(/\n/g, ' \\ ') : `${r.frequency} ${r.start}–${r.end}`),
      el('td', {}, `${r.schedules.length} to record`),
      el('td', {}, el('button', { disabled: i === 0, onclick: moved(i, -1), title: 'Higher' }, '▲'),
        el('button', { disabled: i === rules.length - 1, onclick: moved(i, 1), title: 'Lower' }, '▼'),
        ' ', el('button', { class: 'danger', onclick: act(async () => {
          await call('DELETE', lineupPath(`/rules/${r.id}`)); route(); return `Deleted rule "${r.title}".`;
        }) }, 'Delete'))))),
    el('h3', {}, 'New search rule'),
    el('div', { class: 'controls' }, search,
      el('button', { onclick: act(async () => conflictWords(await call('POST', lineupPath('/rules/preview'), options()))) }, 'Preview'),
      el('button', { class: 'primary', id: 'add-rule', onclick: act(async () => {
        const r = await call('POST', lineupPath('/rules'), options()); route();
        return `Rule saved: ${r.rule.schedules.length} showing(s).\n${conflictWords(r.result)}`;
      }) }, 'Save')),
    el('details', {}, el('summary', {}, 'The custom search language'), el('pre', { class: 'help' }, searchHelp)));
}

// --- status --------------------------------------------------------------------------------

async function showStatus() {
  const status = await call('GET', '/status');
  const imports = await Promise.all(status.lineups.map((l) =>
    call('GET', `/lineups/${l.id}/import`).catch(() => null)));
  view.replaceChildren(
    el('h2', {}, 'Recording now'),
    status.recordings.length ? el('ul', {}, status.recordings.map((r) => el('li', {},
      `Tuner ${r['tuner-id']}: ${r.title} until ${hhmm(parseTime(r.end))}, ${(r.size / 1e6).toFixed(1)} MB`)))
      : el('p', {}, 'Nothing.'),
    el('h2', {}, 'Lineups'),
    el('table', {}, status.lineups.map((l) => el('tr', {}, el('td', {}, l.name),
      el('td', {}, l['last-update'] ? `last import ${when(l['last-update'])}: ${l['last-update-ok'] ? 'OK' : 'failed'} ${l['last-update-status']}` : 'never imported'),
      el('td', {}, l['next-recording'] ? `next: ${l['next-recording'].title} ${when(l['next-recording'].start)}` : 'nothing to record')))),
    el('h2', {}, 'Imports'),
    ...status.lineups.map((l, i) => importBox(l, imports[i])));
  // While an import runs its progress is read again each second, as long as the page shows.
  clearTimeout(state.statusTimer);
  if (imports.some((i) => i && i.running)) {
    state.statusTimer = setTimeout(() => {
      if (location.hash === '#status') showStatus().catch((e) => say(e.message, true));
    }, 1000);
  }
}

// A lineup's import: its progress while it runs, else its report and a button to start one.
function importBox(lineup, current) {
  const start = async () => {
    try { await call('POST', `/lineups/${lineup.id}/import`); await showStatus(); }
    catch (e) { say(e.message, true); }
  };
  const box = el('div', { class: 'import', 'data-import': lineup.id }, el('h3', {}, lineup.name));
  if (current && current.running) {
    box.append(el('progress', { max: 100, value: current.percent === null ? null : current.percent }),
      ' ', current.status);
    return box;
  }
  if (current) {
    const times = [current.started && `started ${when(current.started)}`, current.ended && `ended ${when(current.ended)}`];
    box.append(el('p', { class: current.ok ? 'ended' : 'ended error' },
      [...times.filter(Boolean), current.ok ? 'OK' : `failed: ${current.error}`].join(', ')));
    if (current.report.length || current.log) {
      box.append(el('pre', { class: 'report' }, [...current.report, current.log && `Log: ${current.log}`].filter(Boolean).join('\n')));
    }
  }
  box.append(el('button', { class: 'primary', id: `import-${lineup.id}`, onclick: start }, 'Import now'));
  return box;
}

// --- recordings ----------------------------------------------------------------------------

const sizeText = (bytes) => (bytes === null ? 'missing' : `${(bytes / 1e6).toFixed(1)} MB`);
const durationText = (seconds) => `${Math.floor(seconds / 3600)}:${pad(Math.floor(seconds / 60) % 60)}`;
const keepText = (keep) => (keep === 'space-needed' ? 'until space is needed' : keep === 'until-deleted' ? 'until deleted' : String(keep));

async function showRecordings() {
  const recordings = await call('GET', '/recordings');
  const remove = (r) => async () => {
    if (!confirm(`Delete the recording "${r.title}" and its file?`)) return;
    try { await call('DELETE', `/recordings/${r.id}`); say(`Deleted "${r.title}".`); await showRecordings(); }
    catch (e) { say(e.message, true); }
  };
  view.replaceChildren(el('h2', {}, 'Recordings'),
    recordings.length ? el('table', { id: 'recordings' },
      el('tr', {}, ['Recorded', 'Title', 'Channel', 'Length', 'Size', 'Keep', 'Watched', ''].map((h) => el('th', {}, h))),
      recordings.map((r) => el('tr', { 'data-recording': r.id },
        el('td', {}, r.start ? when(r.start) : ''), el('td', {}, r.title, r.subtitle ? el('small', {}, ` ${r.subtitle}`) : null),
        el('td', {}, r.channel), el('td', {}, durationText(r.duration)), el('td', {}, sizeText(r.size)),
        el('td', {}, keepText(r.keep)), el('td', {}, r.watched ? 'yes' : 'no'),
        el('td', {}, r.size === null ? null : [el('a', { href: r.url, target: '_blank' }, 'Play'), ' ',
          el('a', { href: r.url, download: r.file }, 'Download'), ' '],
          el('button', { class: 'danger', onclick: remove(r) }, 'Delete')))))
      : el('p', {}, 'No recordings yet.'));
}

// --- routing -------------------------------------------------------------------------------

async function route() {
  const [path, query] = (location.hash.slice(1) || 'guide').split('?');
  const [name, id] = path.split('/');
  for (const a of document.querySelectorAll('nav a')) a.classList.toggle('active', a.id === `nav-${name}`);
  try {
    if (name === 'program') await showProgram(id);
    else if (name === 'search') await showSearch(new URLSearchParams(query));
    else if (name === 'schedules') await showSchedules();
    else if (name === 'rules') await showRules();
    else if (name === 'status') await showStatus();
    else if (name === 'recordings') await showRecordings();
    else await showGuide();
  } catch (e) {
    say(e.message, true);
  }
}

async function start() {
  try {
    state.token = (await call('GET', '/session'))['csrf-token'];
    const lineups = await call('GET', '/lineups');
    const chooser = document.getElementById('lineup');
    chooser.replaceChildren(...lineups.map((l) => el('option', { value: l.id }, l.name)));
    chooser.onchange = () => { state.lineup = +chooser.value; state.list = 0; route(); };
    if (lineups.length) state.lineup = lineups[0].id;
    else say('No lineup yet: add one with "kestro lineup add" and import it.', true);
  } catch (e) {
    say(e.message, true);
  }
  window.addEventListener('hashchange', () => { say(''); route(); });
  await route();
  document.body.dataset.readyMs = String(Math.round(performance.now()));  // what the benchmark reads
  document.body.dataset.ready = 'yes';
}

start();
