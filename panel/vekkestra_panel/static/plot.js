/* The live plot of motor positions (Dygraph, from libjs-dygraphs) and the
 * page's recordings. A position that was set (home search, define position,
 * set by another program at rest) breaks its line: a gap, and a mark "R" at
 * the first point after it. */
"use strict";

const PanelPlot = (function () {
  const WINDOW_MS = 60000;
  const REDRAW_MS = 40; // at most 25 redraws a second, at least one per 50 ms of updates
  const COLOURS = ["#1565c0", "#c62828", "#2e7d32", "#6a1b9a", "#ef6c00", "#00838f", "#5d4037", "#ad1457",
                   "#455a64", "#9e9d24"];
  const ALL = "XYZTUVRSWK";

  // Dygraph's legend plugin measures text with a style attribute, which the
  // panel's Content-Security-Policy forbids; the page draws its own legend.
  if (typeof Dygraph === "function" && Dygraph.Plugins && Dygraph.Plugins.Legend) {
    Dygraph.PLUGINS = Dygraph.PLUGINS.filter(p => p !== Dygraph.Plugins.Legend);
  }

  function colour(axis) { return COLOURS[ALL.indexOf(axis) % COLOURS.length]; }

  /* Rows for Dygraph from samples {t, v: {X: n}, resets: {X: why}}: a row of
   * nulls for the reset axes just before the first sample after a reset. */
  function rows(samples, axes) {
    const out = [];
    let last = {};
    for (const s of samples) {
      const resets = s.resets || {};
      if (axes.some(a => a in resets) && out.length) {
        out.push([new Date(s.t - 1)].concat(axes.map(a => (a in resets ? null : last[a]))));
      }
      out.push([new Date(s.t)].concat(axes.map(a => (a in s.v ? s.v[a] : null))));
      last = s.v;
    }
    return out;
  }

  /* The resets of the chosen axes: [{t, axis, why}]. */
  function resets(samples, axes) {
    const out = [];
    for (const s of samples) {
      for (const a of axes) if (s.resets && a in s.resets) out.push({t: s.t, axis: a, why: s.resets[a]});
    }
    return out;
  }

  /* Draws each reset under the lines: a dashed line in the axis's colour and
   * "R" with the axis letter, on the canvas (so the PNG has it too). */
  function marker(marks) {
    return function (ctx, area, g) {
      ctx.save();
      ctx.setLineDash([4, 3]);
      ctx.font = "bold 12px sans-serif";
      for (const m of marks()) {
        const x = g.toDomXCoord(m.t);
        if (x < area.x || x > area.x + area.w) continue;
        ctx.strokeStyle = ctx.fillStyle = colour(m.axis);
        ctx.beginPath();
        ctx.moveTo(x, area.y);
        ctx.lineTo(x, area.y + area.h);
        ctx.stroke();
        ctx.fillText("R " + m.axis, x + 3, area.y + 12);
      }
      ctx.restore();
    };
  }

  function legend(div, axes) {
    div.textContent = "";
    for (const a of axes) {
      const item = document.createElement("span");
      const swatch = document.createElement("span");
      swatch.className = "swatch";
      swatch.style.background = colour(a);
      item.append(swatch, a);
      div.append(item);
    }
  }

  class LivePlot {
    constructor(div, legendDiv) {
      this.div = div;
      this.legendDiv = legendDiv;
      this.samples = [];
      this.axes = [];
      this.graph = null;
      this.marks = [];
      this.dirty = false;
      this.redraws = 0;
      this.available = typeof Dygraph === "function";
      if (!this.available) {
        div.textContent = "The plot needs the charting library dygraphs (Debian: libjs-dygraphs), which the " +
                          "panel did not find.";
        div.className = "plot plot-missing";
      }
      setInterval(() => this.draw(), REDRAW_MS);
    }

    choose(axes) {
      this.axes = axes.slice();
      legend(this.legendDiv, this.axes);
      if (this.graph) { this.graph.destroy(); this.graph = null; }
      this.dirty = true;
      this.draw();
    }

    add(time, values, resets) {
      const t = time * 1000;
      this.samples.push({t: t, v: values, resets: resets});
      const oldest = t - WINDOW_MS - 2000;
      let drop = 0;
      while (drop < this.samples.length && this.samples[drop].t < oldest) drop++;
      if (drop) this.samples.splice(0, drop);
      this.dirty = true;
    }

    draw() {
      if (!this.available || !this.dirty || !this.samples.length || document.hidden) return;
      this.dirty = false;
      const axes = this.axes;
      const last = this.samples[this.samples.length - 1].t;
      const data = axes.length ? rows(this.samples, axes) : this.samples.map(s => [new Date(s.t), null]);
      this.marks = resets(this.samples, axes);
      const options = {
        file: data, dateWindow: [last - WINDOW_MS, last],
      };
      if (!this.graph) {
        this.graph = new Dygraph(this.div, data, {
          labels: ["time"].concat(axes.length ? axes : ["none"]),
          colors: axes.length ? axes.map(colour) : ["#ffffff"],
          legend: "never", connectSeparatedPoints: false, drawGapEdgePoints: true, animatedZooms: false,
          interactionModel: {}, ylabel: "steps", axisLabelWidth: 70, dateWindow: options.dateWindow,
          underlayCallback: marker(() => this.marks),
        });
      } else {
        this.graph.updateOptions(options);
      }
      this.redraws++;
    }
  }

  /* What the page saw between Start and Stop, every poll. */
  class Recording {
    constructor() { this.samples = []; this.on = false; this.axes = []; }

    start(axes) { this.samples = []; this.axes = axes.slice(); this.on = true; }

    stop() { this.on = false; }

    add(time, axes, resets) {
      if (this.on) this.samples.push({t: time * 1000, axes: axes, resets: resets || {}});
    }

    seconds() {
      const s = this.samples;
      return s.length > 1 ? (s[s.length - 1].t - s[0].t) / 1000 : 0;
    }

    csv() {
      const head = ["time_s", "time"];
      for (const a of this.axes) head.push(a + "_motor", a + "_encoder", a + "_state", a + "_reset");
      const lines = [head.join(",")];
      const t0 = this.samples.length ? this.samples[0].t : 0;
      for (const s of this.samples) {
        const row = [((s.t - t0) / 1000).toFixed(3), new Date(s.t).toISOString()];
        for (const a of this.axes) {
          const v = s.axes[a] || {};
          row.push(v.motor, v.encoder, '"' + (v.state || "") + '"', '"' + (s.resets[a] || "") + '"');
        }
        lines.push(row.join(","));
      }
      return lines.join("\n") + "\n";
    }

    /* The recording drawn by Dygraph off screen, copied into one PNG with
     * its axis labels and a legend. */
    png(callback) {
      if (typeof Dygraph !== "function") { callback(null); return; }
      const div = document.createElement("div");
      div.className = "offscreen";
      document.body.append(div);
      const samples = this.samples.map(s => {
        const v = {};
        for (const a of this.axes) if (s.axes[a]) v[a] = s.axes[a].motor;
        return {t: s.t, v: v, resets: s.resets};
      });
      const graph = new Dygraph(div, rows(samples, this.axes), {
        labels: ["time"].concat(this.axes), colors: this.axes.map(colour), legend: "never", width: 1000,
        height: 500, ylabel: "steps", axisLabelWidth: 70, connectSeparatedPoints: false,
        underlayCallback: marker(() => resets(samples, this.axes)),
      });
      const canvas = document.createElement("canvas");
      canvas.width = 1000;
      canvas.height = 540;
      const ctx = canvas.getContext("2d");
      ctx.fillStyle = "#ffffff";
      ctx.fillRect(0, 0, canvas.width, canvas.height);
      const origin = div.getBoundingClientRect();
      for (const c of div.querySelectorAll("canvas")) {
        const r = c.getBoundingClientRect();
        ctx.drawImage(c, r.left - origin.left, r.top - origin.top, r.width, r.height);
      }
      ctx.fillStyle = "#1b1f23";
      ctx.font = "12px sans-serif";
      for (const label of div.querySelectorAll(".dygraph-axis-label, .dygraph-ylabel")) {
        const r = label.getBoundingClientRect();
        if (label.textContent) ctx.fillText(label.textContent, r.left - origin.left, r.top - origin.top + 12);
      }
      let x = 80;
      for (const a of this.axes) {
        ctx.fillStyle = colour(a);
        ctx.fillRect(x, 520, 20, 4);
        ctx.fillStyle = "#1b1f23";
        ctx.fillText(a + " motor", x + 25, 526);
        x += 110;
      }
      graph.destroy();
      div.remove();
      canvas.toBlob(callback, "image/png");
    }
  }

  return {LivePlot: LivePlot, Recording: Recording, colour: colour, rows: rows};
})();
