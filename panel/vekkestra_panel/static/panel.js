/* The operator panel's page: one WebSocket to the panel, which sends every
 * poll of the controller, the link's state and the events; the page sends
 * commands and, while a jog button is held, a heartbeat. Answers from the
 * controller are shown as text, never as HTML. */
"use strict";

(function () {
  const $ = id => document.getElementById(id);
  const page = {
    ws: null, axes: "", readOnly: false, heartbeatMs: 50, nextId: 1, pending: new Map(), held: new Map(),
    heartbeat: null, lastMessage: 0, link: "connecting", linkMessage: "", waiting: 0, built: false,
    retry: 0, updates: 0, plotted: new Set(), last: null,
  };
  const plot = new PanelPlot.LivePlot($("plot"), $("legend"));
  const recording = new PanelPlot.Recording();
  // What tests and the benchmark read: counts, and when a state was first shown.
  window.panelStats = {updates: 0, shown: {}, plot: plot, recording: recording};

  /* ---- the WebSocket ---------------------------------------------------------------- */

  function connect() {
    const ws = new WebSocket((location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/ws");
    page.ws = ws;
    ws.onopen = () => { page.retry = 0; page.lastMessage = Date.now(); };
    ws.onmessage = e => { page.lastMessage = Date.now(); receive(JSON.parse(e.data)); };
    ws.onclose = () => {
      if (page.ws !== ws) return;
      page.ws = null;
      releaseAll();
      showLink("panel", "The panel does not answer (its connection closed): trying again.");
      const wait = Math.min(2000, 200 * Math.pow(2, page.retry++));
      setTimeout(connect, wait);
    };
  }

  function send(message) {
    if (!page.ws || page.ws.readyState !== WebSocket.OPEN) {
      showError("Not connected to the panel: nothing was sent.");
      return Promise.resolve({ok: false});
    }
    message.id = page.nextId++;
    page.ws.send(JSON.stringify(message));
    return new Promise(resolve => page.pending.set(message.id, resolve));
  }

  // Commands: the reply says how it went; an error shows on the page.
  function command(message) {
    return send(message).then(reply => {
      if (reply.ok) hideError(); else if (reply.error) showError(reply.error);
      return reply;
    });
  }

  function receive(m) {
    switch (m.t) {
      case "hello": hello(m); break;
      case "link": link(m); break;
      case "poll": poll(m); break;
      case "event": addEvent(m, true); break;
      case "alive": alive(m); break;
      case "started": started(m); break;
      case "reply": {
        const resolve = page.pending.get(m.id);
        page.pending.delete(m.id);
        if (resolve) resolve(m); else if (!m.ok) showError(m.error);
        break;
      }
    }
  }

  // The page itself is silent too long: the panel or the network is gone.
  setInterval(() => {
    if (page.ws && Date.now() - page.lastMessage > 1000) {
      showLink("panel", "The panel has not answered for " + ((Date.now() - page.lastMessage) / 1000).toFixed(1) +
               " s.");
      if (Date.now() - page.lastMessage > 3000) page.ws.close();
    }
  }, 250);

  /* ---- what the panel sends ------------------------------------------------------------ */

  function hello(m) {
    page.axes = m.axes;
    page.readOnly = m.readOnly;
    page.heartbeatMs = m.heartbeatMs;
    $("where").textContent = m.where;
    $("simulator").hidden = !m.simulator;
    $("read-only").hidden = !m.readOnly;
    $("versions").textContent = "panel " + m.versions.panel + " \u00b7 core " + m.versions.core + " \u00b7 " +
                                m.versions.library;
    if (!page.built) build();
    $("events").textContent = "";
    for (const e of m.events) addEvent(e, false);
    link(m.link);
    if (m.poll) poll(m.poll);
  }

  function link(m) {
    page.link = m.state;
    page.linkMessage = m.message;
    refreshLink();
  }

  function alive(m) {
    page.waiting = m.waiting;
    refreshLink();
    // Polls that change nothing are not sent: the plot and the recording
    // go on with the last values.
    if (page.last && page.link === "up" && m.waiting < 0.6) {
      poll({time: m.time, axes: page.last.axes}, true);
    }
  }

  // The controller has taken a motion command: the axes are set moving.
  function started(m) {
    for (const axis of m.axes) {
      const row = rowOf(axis);
      if (row && row.state.dataset.state !== "moving") {
        row.state.dataset.state = "moving";
        row.state.textContent = "moving";
        window.panelStats.shown[axis] = {state: "moving", at: performance.now()};
      }
    }
  }

  function refreshLink() {
    const words = {up: "link up", lost: "link lost", connecting: "connecting", closed: "panel ended"};
    if (page.link === "up" && page.waiting >= 0.6) {
      showLink("stalled", "The controller has not answered for " + page.waiting.toFixed(1) + " s.");
    } else if (page.link === "up") {
      showLink("up", "");
    } else if (page.link === "lost") {
      showLink("lost", "Link to the controller lost: " + page.linkMessage + "\nThe panel tries again by itself " +
               "(at most 2 s apart); commands are refused until the link is back.");
    } else {
      showLink(page.link, page.linkMessage);
    }
    $("link").textContent = page.link === "up" && page.waiting >= 0.6 ? "not answering" :
                            (words[page.link] || page.link);
  }

  function showLink(state, text) {
    $("link").dataset.link = state;
    if (state === "panel") $("link").textContent = "panel not answering";
    const banner = $("banner");
    banner.textContent = text;
    banner.hidden = !text;
  }

  const STATE_WORDS = {"at rest": "at rest", moving: "moving", limit: "limit", slip: "slip", refused: "refused"};

  function poll(m, repeated) {
    const values = {};
    for (const axis of Object.keys(m.axes)) values[axis] = m.axes[axis].motor;
    if (!repeated) {
      page.last = m;
      page.updates++;
      window.panelStats.updates = page.updates;
      showAxes(m.axes);
    }
    plot.add(m.time, values, m.resets);
    recording.add(m.time, m.axes, m.resets);
    if (recording.on) recordingStatus();
  }

  function showAxes(axes) {
    for (const axis of Object.keys(axes)) {
      const a = axes[axis];
      const row = rowOf(axis);
      if (!row) continue;
      row.motor.textContent = a.motor;
      row.encoder.textContent = a.encoder;
      row.following.textContent = a.motor - a.encoder;
      let shown = a.state, words = STATE_WORDS[a.state] || a.state;
      if (a.home && a.state === "at rest") { shown = "home"; words = "on home switch"; }
      else if (a.home) words += ", on home switch";
      if (row.state.dataset.state !== shown || row.state.textContent !== words) {
        row.state.dataset.state = shown;
        row.state.textContent = words;
        window.panelStats.shown[axis] = {state: shown, at: performance.now()};
      }
    }
  }

  function addEvent(e, fresh) {
    const list = $("events");
    const item = document.createElement("li");
    item.dataset.kind = e.kind;
    const time = document.createElement("time");
    const when = new Date(e.time * 1000);
    time.dateTime = when.toISOString();
    time.textContent = when.toLocaleTimeString();
    item.append(time, e.text);
    list.prepend(item);
    while (list.children.length > 200) list.lastChild.remove();
    if (fresh && (e.kind === "limit" || e.kind === "slip")) item.setAttribute("role", "alert");
  }

  /* ---- errors -------------------------------------------------------------------------- */

  function showError(text) {
    $("error-text").textContent = text;
    $("error").hidden = false;
  }

  function hideError() { $("error").hidden = true; }

  $("error-close").addEventListener("click", hideError);

  /* ---- the rows ------------------------------------------------------------------------- */

  const rows = {};
  function rowOf(axis) { return rows[axis]; }

  function element(tag, props, children) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(props || {})) {
      if (k === "label") e.setAttribute("aria-label", v);
      else if (k === "text") e.textContent = v;
      else if (k === "dataset") Object.assign(e.dataset, v);
      else e[k] = v;
    }
    for (const c of children || []) e.append(c);
    return e;
  }

  function button(text, label, handler, extra) {
    const b = element("button", Object.assign({type: "button", text: text, label: label}, extra || {}));
    if (handler) b.addEventListener("click", handler);
    return b;
  }

  function build() {
    page.built = true;
    const body = $("rows");
    body.textContent = "";
    for (const axis of page.axes) {
      const r = {};
      r.motor = element("td", {className: "num", text: "\u2013"});
      r.encoder = element("td", {className: "num", text: "\u2013"});
      r.following = element("td", {className: "num", text: "\u2013"});
      r.state = element("span", {className: "state", text: "unknown", dataset: {state: "unknown"}});
      r.target = element("input", {type: "text", inputMode: "numeric", className: "target", label: "Target of " + axis,
                                   placeholder: "steps"});
      r.target.addEventListener("keydown", e => { if (e.key === "Enter") move(axis, false); });
      r.plot = element("input", {type: "checkbox", label: "Plot " + axis, checked: page.plotted.size < 2});
      if (r.plot.checked) page.plotted.add(axis);
      r.plot.addEventListener("change", () => {
        if (r.plot.checked) page.plotted.add(axis); else page.plotted.delete(axis);
        choosePlot();
      });
      const jogMinus = jogButton(axis, -1), jogPlus = jogButton(axis, 1);
      const settingsButton = button("\u2699", "Settings of " + axis, null, {className: "settings-toggle"});
      settingsButton.setAttribute("aria-expanded", "false");
      const tr = element("tr", {id: "row-" + axis}, [
        element("th", {scope: "row", text: axis}), r.motor, r.encoder, r.following, element("td", {}, [r.state]),
        element("td", {}, [jogMinus, " ", jogPlus]),
        element("td", {}, [r.target, " ", button("Move to", "Move " + axis, () => move(axis, false)), " ",
                           button("Move by", "Move " + axis + " by", () => move(axis, true))]),
        element("td", {}, [button("Home", "Home " + axis, () => command({op: "home", axis: axis})), " ",
                           button("Stop", "Stop " + axis, () => stop(axis), {className: "stop-axis"})]),
        element("td", {}, [r.plot]),
        element("td", {}, [settingsButton]),
      ]);
      const settings = settingsRow(axis, r);
      settingsButton.addEventListener("click", () => {
        settings.hidden = !settings.hidden;
        settingsButton.setAttribute("aria-expanded", String(!settings.hidden));
        if (!settings.hidden) readSettings(axis);
      });
      body.append(tr, settings);
      rows[axis] = r;
    }
    choosePlot();
  }

  function settingsRow(axis, r) {
    const field = (name, label) => {
      const input = element("input", {type: "text", inputMode: "numeric", label: label + " of " + axis});
      r[name] = input;
      return element("label", {}, [label + " ", input]);
    };
    r.jogSpeed = element("input", {type: "text", inputMode: "numeric", value: "1000", label: "Jog speed of " + axis});
    const tr = element("tr", {className: "settings", hidden: true}, [
      element("td", {colSpan: 10}, [
        element("fieldset", {}, [element("legend", {text: "Define position"}), field("position", "New position"), " ",
                                 button("Define", "Define position of " + axis, () => define(axis))]),
        element("fieldset", {}, [element("legend", {text: "Motion settings (steps/s, steps/s\u00b2)"}),
                                 field("velocity", "Velocity"), field("base", "Base rate"),
                                 field("acceleration", "Acceleration"),
                                 button("Apply", "Apply settings of " + axis, () => applySettings(axis)), " ",
                                 button("Read", "Read settings of " + axis, () => readSettings(axis))]),
        element("fieldset", {}, [element("legend", {text: "Jog"}),
                                 element("label", {}, ["Jog speed (steps/s) ", r.jogSpeed])]),
      ]),
    ]);
    return tr;
  }

  function choosePlot() {
    plot.choose(page.axes.split("").filter(a => page.plotted.has(a)));
  }

  /* ---- commands ------------------------------------------------------------------------- */

  function move(axis, relative) {
    command({op: "move", axis: axis, target: rows[axis].target.value, relative: relative});
  }

  function stop(axis) {
    releaseAll();
    command({op: "stop", axes: axis});
  }

  function stopAll() {
    releaseAll();
    command({op: "stop"});
  }

  function define(axis) {
    command({op: "define", axis: axis, position: rows[axis].position.value});
  }

  function readSettings(axis) {
    send({op: "speeds", axis: axis}).then(reply => {
      if (!reply.ok) { if (reply.error) showError(reply.error); return; }
      for (const name of ["velocity", "base", "acceleration"]) rows[axis][name].value = reply.speeds[name];
    });
  }

  function applySettings(axis) {
    const r = rows[axis];
    command({op: "setSpeeds", axis: axis, velocity: r.velocity.value, base: r.base.value,
             acceleration: r.acceleration.value}).then(reply => {
      if (reply.ok) for (const name of ["velocity", "base", "acceleration"]) r[name].value = reply.speeds[name];
    });
  }

  $("stop-all").addEventListener("click", stopAll);
  document.addEventListener("keydown", e => {
    if (e.key === "Escape") { e.preventDefault(); stopAll(); }
  });

  /* ---- jogs: only while the button is held and the page is there ---------------------------- */

  function jogButton(axis, direction) {
    const label = "Jog " + axis + (direction > 0 ? " positive" : " negative");
    const b = button(direction > 0 ? "+" : "\u2212", label, null, {className: "jog"});
    const start = () => jogStart(axis, direction, b);
    const end = () => jogEnd(axis);
    b.addEventListener("pointerdown", e => {
      if (e.button !== 0) return;
      b.setPointerCapture(e.pointerId);
      start();
    });
    for (const name of ["pointerup", "pointercancel", "lostpointercapture", "blur"]) b.addEventListener(name, end);
    b.addEventListener("keydown", e => {
      if ((e.key === " " || e.key === "Enter") && !e.repeat) { e.preventDefault(); start(); }
    });
    b.addEventListener("keyup", e => { if (e.key === " " || e.key === "Enter") end(); });
    b.addEventListener("contextmenu", e => e.preventDefault());
    return b;
  }

  function jogStart(axis, direction, b) {
    if (page.held.has(axis) || document.hidden) return;
    page.held.set(axis, b);
    b.classList.add("held");
    if (!page.heartbeat) page.heartbeat = setInterval(() => send({op: "hold"}), page.heartbeatMs);
    command({op: "jog", axis: axis, direction: direction, speed: rows[axis].jogSpeed.value});
  }

  function jogEnd(axis) {
    const b = page.held.get(axis);
    if (!b) return;
    page.held.delete(axis);
    b.classList.remove("held");
    if (page.ws && page.ws.readyState === WebSocket.OPEN) send({op: "release", axis: axis});
    if (!page.held.size && page.heartbeat) { clearInterval(page.heartbeat); page.heartbeat = null; }
  }

  function releaseAll() { for (const axis of Array.from(page.held.keys())) jogEnd(axis); }

  document.addEventListener("visibilitychange", () => { if (document.hidden) releaseAll(); });
  window.addEventListener("pagehide", releaseAll);
  window.addEventListener("blur", releaseAll);

  /* ---- recording ---------------------------------------------------------------------------- */

  function recordingStatus() {
    $("rec-status").textContent = (recording.on ? "recording: " : "recorded: ") + recording.seconds().toFixed(1) +
                                  " s, " + recording.samples.length + " samples of " + recording.axes.join(", ");
  }

  function download(blob, name) {
    const a = document.createElement("a");
    a.href = URL.createObjectURL(blob);
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }

  function fileName(ext) {
    return "vekkestra-recording-" + new Date().toISOString().replace(/[:.]/g, "-").slice(0, 19) + "." + ext;
  }

  $("rec-start").addEventListener("click", () => {
    recording.start(page.axes.split(""));
    $("rec-start").disabled = true;
    $("rec-stop").disabled = false;
    $("rec-csv").disabled = $("rec-png").disabled = true;
    recordingStatus();
  });
  $("rec-stop").addEventListener("click", () => {
    recording.stop();
    $("rec-start").disabled = false;
    $("rec-stop").disabled = true;
    $("rec-csv").disabled = $("rec-png").disabled = !recording.samples.length;
    recordingStatus();
  });
  $("rec-csv").addEventListener("click", () => {
    download(new Blob([recording.csv()], {type: "text/csv"}), fileName("csv"));
  });
  $("rec-png").addEventListener("click", () => {
    recording.png(blob => { if (blob) download(blob, fileName("png")); else showError("No plot library."); });
  });

  /* ---- the expert console ------------------------------------------------------------------- */

  function raw(query) {
    const text = $("console-text").value;
    command({op: "raw", text: text, query: query}).then(reply => {
      const out = $("console-out");
      out.append("> " + text + "\n" + (reply.ok ? (query ? reply.answer : "ok") : "error: " + reply.error) + "\n");
      out.scrollTop = out.scrollHeight;
    });
  }

  $("console").addEventListener("submit", e => { e.preventDefault(); raw(true); });
  $("console-send").addEventListener("click", () => raw(false));

  connect();
})();
