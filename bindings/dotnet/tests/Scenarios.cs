// The safe-motion scenario table (tests/motion/scenarios.txt, its header describes the format) run through the
// C# layer against veksim: every scenario on each of its links, TCP and the simulator's pty as COM port 26, each
// against a fresh simulator. Outcomes are the layer's exceptions; checks look at the simulator through a TCP
// connection of this program's own (a plain socket, not the library).
//
// Environment: VEKSIM (the simulator), VEKKESTRA_SCENARIOS (the table). Arguments: scenario names to run only
// those, "--link tcp" or "--link serial" to run one link. Prints one line per scenario and link, and the steps of
// each that failed; exits 1 when any failed.
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.IO;
using System.Linq;
using System.Net;
using System.Net.Sockets;
using System.Text;
using System.Text.RegularExpressions;
using System.Threading;
using VekKestra;

// A scenario that did not go as the table says.
sealed class Failure : Exception
{
    public Failure(string message) : base(message) { }
}

// ---- the table ----

sealed class Outcome
{
    public string Kind;        // ok, limit, slip, interrupted, timeout, cancelled, refused, closed, argument, connection, safe
    public Axis? Axis;         // limit, slip, interrupted
    public int? At;
    public int? Stopped;       // a mask
    public int? Within;
    public string Text;
}

sealed class Step
{
    public string Line;
    public string[] Words;     // the action, or the check's words
    public bool IsCheck;
    public Outcome Outcome;    // null: the action must not fail
    public int Repeat = 1;
    public int LaterMs = -1;   // "later MS ACTION": Words is that action
}

sealed class Scenario
{
    public string Name;
    public string SimFlags = "";
    public string[] Links = { "tcp", "serial" };
    public readonly List<Step> Steps = new List<Step>();
}

static class Table
{
    static readonly string[] Kinds =
    {
        "ok", "limit", "slip", "interrupted", "timeout", "cancelled", "refused", "closed", "argument", "connection", "safe"
    };

    public static List<Scenario> Read(string path)
    {
        var all = new List<Scenario>();
        int number = 0;
        foreach (string raw in File.ReadAllLines(path))
        {
            ++number;
            int hash = raw.IndexOf('#');
            string line = (hash >= 0 ? raw.Substring(0, hash) : raw).Trim();
            if (line.Length == 0) continue;
            try
            {
                Add(all, line);
            }
            catch (Failure e)
            {
                throw new Failure(path + ":" + number + ": " + e.Message);
            }
        }
        return all;
    }

    static void Add(List<Scenario> all, string line)
    {
        string[] words = Words(line);
        if (words[0] == "scenario")
        {
            all.Add(new Scenario { Name = words[1] });
            return;
        }
        if (all.Count == 0) throw new Failure("a line before the first scenario");
        Scenario s = all[all.Count - 1];
        if (words[0] == "sim")
            s.SimFlags = string.Join(" ", words.Skip(1));
        else if (words[0] == "links")
            s.Links = words.Skip(1).ToArray();
        else
            s.Steps.Add(StepOf(line));
    }

    static string[] Words(string text)
    {
        return text.Split(new[] { ' ', '\t' }, StringSplitOptions.RemoveEmptyEntries);
    }

    static Step StepOf(string line)
    {
        var step = new Step { Line = line };
        int arrow = line.IndexOf("->");
        string[] words = Words(arrow >= 0 ? line.Substring(0, arrow) : line);
        if (arrow >= 0) step.Outcome = OutcomeOf(Words(line.Substring(arrow + 2)));
        if (words[0] == "check")
        {
            step.IsCheck = true;
            step.Words = words.Skip(1).ToArray();
            return step;
        }
        if (words[0] == "repeat")
        {
            step.Repeat = int.Parse(words[1]);
            words = words.Skip(2).ToArray();
        }
        else if (words[0] == "later")
        {
            step.LaterMs = int.Parse(words[1]);
            words = words.Skip(2).ToArray();
        }
        if (!Run.Actions.ContainsKey(words[0])) throw new Failure("unknown action \"" + words[0] + "\"");
        step.Words = words;
        return step;
    }

    static Outcome OutcomeOf(string[] words)
    {
        var o = new Outcome { Kind = words[0], Text = string.Join(" ", words) };
        if (!Kinds.Contains(o.Kind)) throw new Failure("unknown outcome \"" + o.Kind + "\"");
        int i = 1;
        if (o.Kind == "limit" || o.Kind == "slip" || o.Kind == "interrupted") o.Axis = AxisOf(words[i++]);
        for (; i < words.Length; ++i)
        {
            string[] pair = words[i].Split('=');
            if (pair.Length != 2) throw new Failure("\"" + words[i] + "\" is not NAME=VALUE");
            if (pair[0] == "at")
                o.At = int.Parse(pair[1]);
            else if (pair[0] == "stopped")
                o.Stopped = MaskOf(pair[1]);
            else if (pair[0] == "within")
                o.Within = int.Parse(pair[1]);
            else
                throw new Failure("unknown outcome detail \"" + words[i] + "\"");
        }
        return o;
    }

    public static Axis AxisOf(string letter)
    {
        Axis axis;
        if (letter.Length != 1 || !char.IsLetter(letter[0]) || !Enum.TryParse(letter, out axis)) throw new Failure("\"" + letter + "\" is not an axis");
        return axis;
    }

    // "XY" or "X": the axes of one word.
    public static int MaskOf(string letters)
    {
        int mask = 0;
        foreach (char c in letters) mask |= (int)AxisOf(c.ToString());
        return mask;
    }

    public static string LettersOf(int mask)
    {
        var text = new StringBuilder();
        foreach (Axis a in Enum.GetValues(typeof(Axis)))
            if ((mask & (int)a) != 0) text.Append(a);
        return text.Length == 0 ? "none" : text.ToString();
    }
}

// ---- a look at the simulator through a socket of our own ----

// What the simulator says of every axis.
sealed class Snapshot
{
    public readonly bool[] Moving = new bool[10];
    public readonly int[] Motor = new int[10];

    public bool AtRest(int mask)
    {
        for (int i = 0; i < 10; ++i)
            if ((mask & (1 << i)) != 0 && Moving[i]) return false;
        return true;
    }

    public int MotorOf(Axis axis)
    {
        return Motor[Array.IndexOf(Enum.GetValues(typeof(Axis)), axis)];
    }

    public override string ToString()
    {
        var parts = new List<string>();
        int i = 0;
        foreach (Axis a in Enum.GetValues(typeof(Axis)))
        {
            if (Moving[i] || Motor[i] != 0) parts.Add(a + "=" + Motor[i] + (Moving[i] ? " moving" : ""));
            ++i;
        }
        return parts.Count == 0 ? "all at 0, at rest" : string.Join(", ", parts);
    }
}

// Our own TCP connection to the simulator. Its faults hit this connection too (dropped, late or garbled replies,
// a closed connection), so an exchange that fails is tried again on a fresh connection.
sealed class Probe : IDisposable
{
    const byte Ack = 0x06, Nak = 0x15;
    static readonly Regex Notification = new Regex(@"%000 [0-9A-Fa-f]{8}[\s\S]{2}");
    readonly int port;
    readonly int replyMs;
    Socket socket;

    public Probe(int port, int replyMs)
    {
        this.port = port;
        this.replyMs = replyMs;
    }

    public void Dispose()
    {
        Drop();
    }

    void Drop()
    {
        if (socket != null) socket.Close();
        socket = null;
    }

    // The reply without ACK and notifications, once `complete` says it is whole; null when it did not come.
    string Exchange(string text, Func<byte, string, bool> complete)
    {
        if (socket == null)
        {
            socket = new Socket(AddressFamily.InterNetwork, SocketType.Stream, ProtocolType.Tcp);
            socket.Connect(IPAddress.Loopback, port);
        }
        socket.Send(Encoding.ASCII.GetBytes(text));
        var received = new StringBuilder();
        var buffer = new byte[4096];
        var clock = Stopwatch.StartNew();
        for (;;)
        {
            long left = replyMs - clock.ElapsedMilliseconds;
            if (left <= 0 || !socket.Poll((int)Math.Min(left * 1000, int.MaxValue), SelectMode.SelectRead)) return null;
            int n = socket.Receive(buffer);
            if (n == 0) return null;  // closed
            received.Append(Encoding.GetEncoding("ISO-8859-1").GetString(buffer, 0, n));
            string clean = Notification.Replace(received.ToString(), "");
            if (clean.Length == 0 || clean.IndexOf('%') >= 0) continue;  // a notification not yet whole
            if (clean[0] != (char)Ack && clean[0] != (char)Nak) return null;  // garbage
            if (complete((byte)clean[0], clean.Substring(1))) return clean.Substring(1);
        }
    }

    string Retried(string text, Func<byte, string, bool> complete)
    {
        for (int attempt = 0; attempt < 8; ++attempt)
        {
            try
            {
                string answer = Exchange(text, complete);
                if (answer != null) return answer;
            }
            catch (SocketException)
            {
            }
            Drop();  // a late reply must not be taken for the next one
        }
        throw new Failure("the simulator did not answer \"" + text + "\" on the harness's own connection");
    }

    // A command text of "another program".
    public void Send(string text)
    {
        Retried(text, (first, rest) => true);
    }

    // Every axis's status letters (the fifth: moving) and motor position, in one exchange.
    public Snapshot Look()
    {
        string answer = Retried("AAEA;AARP", (first, rest) =>
        {
            string[] f = rest.Split(',');
            return f.Length == 20 && f[19].Length > 0 && char.IsDigit(f[19][f[19].Length - 1]);
        });
        string[] fields = answer.Split(',');
        var s = new Snapshot();
        for (int i = 0; i < 10; ++i)
        {
            if (fields[i].Length != 5) throw new Failure("axis status \"" + fields[i] + "\" in \"" + answer + "\"");
            s.Moving[i] = fields[i][4] == 'P';
            s.Motor[i] = int.Parse(fields[10 + i]);
        }
        return s;
    }

    // Waits up to 2 s for the axes to stand still, and returns the look that found them so.
    public Snapshot Rest(int mask)
    {
        return Until(s => s.AtRest(mask), 2000);
    }

    // Waits up to 100 ms for the axes to be seen moving: a serial controller takes a command text only once the
    // line has been quiet for a moment, and a motion call without a wait returns as soon as it has written it.
    public Snapshot Moving(int mask)
    {
        return Until(s => s.Moving.Where((moving, i) => (mask & (1 << i)) != 0 && !moving).Count() == 0, 100);
    }

    // The first look for which `holds`, or the last one after `ms`.
    Snapshot Until(Func<Snapshot, bool> holds, int ms)
    {
        var clock = Stopwatch.StartNew();
        for (;;)
        {
            Snapshot s = Look();
            if (holds(s) || clock.ElapsedMilliseconds > ms) return s;
            Thread.Sleep(ms / 100 + 1);
        }
    }
}

// ---- one scenario on one link ----

sealed class Run : IDisposable
{
    public const int ComPort = 26;  // this suite's own

    // What an action needs, and what it did.
    internal sealed class Act
    {
        public string[] Words;
        public CancellationToken Cancel;
        public int MoveMask;       // a move's axes, for "safe"
        public int[] Targets;      // and its absolute targets (null for a relative move)
    }

    internal delegate void ActionOf(Run run, Act act);

    public static readonly Dictionary<string, ActionOf> Actions = new Dictionary<string, ActionOf>
    {
        { "move", (r, a) => r.Move(a) },
        { "move-axis", (r, a) => r.Ctl.MoveAxis(Table.AxisOf(a.Words[1]), int.Parse(a.Words[2]), TimeoutOf(a.Words),
                                               false, a.Cancel) },
        { "home", (r, a) => r.Ctl.Home(Table.AxisOf(a.Words[1]), TimeoutOf(a.Words), false, a.Cancel) },
        { "find-limit", (r, a) => r.Ctl.FindLimit(Table.AxisOf(a.Words[1]), int.Parse(a.Words[2]), TimeoutOf(a.Words),
                                                  false, a.Cancel) },
        { "jog", (r, a) => r.Ctl.Jog(Values(a.Words).ToDictionary(v => v.Key, v => (double)v.Value)) },
        { "stop", (r, a) => r.Ctl.Stop(AxesOf(a.Words)) },
        { "wait", (r, a) => r.Ctl.Wait(AxesOf(a.Words), TimeoutOf(a.Words), false, a.Cancel) },
        { "slip-detection", (r, a) => r.Ctl.EnableSlipDetection(AxesOf(a.Words)) },
        { "close", (r, a) => r.Ctl.Close() },
        { "raw", (r, a) => r.probe.Send(string.Join(" ", a.Words.Skip(1))) },
        { "cancel", (r, a) => { throw new Failure("cancel is for \"later\" only"); } },
        { "sleep", (r, a) => Thread.Sleep(int.Parse(a.Words[1])) },
        { "open-refused", (r, a) => OpenRefused() },
        { "open-missing-com", (r, a) => OpenMissingCom() },
        { "threads", (r, a) => r.Threads(int.Parse(a.Words[1])) },
        { "guard-error", (r, a) => r.Guard(a, false) },
        { "guard-normal", (r, a) => r.Guard(a, true) },
    };

    // The actions that need no controller of the layer.
    static readonly string[] WithoutController = { "raw", "sleep", "open-refused", "open-missing-com", "cancel" };

    readonly Sim sim;
    readonly bool serial;
    readonly Probe probe;
    readonly List<string> trace;
    Controller ctl;
    Step later;  // "later MS ACTION", for the next action

    public Run(Sim sim, bool serial, int replyMs, List<string> trace)
    {
        this.sim = sim;
        this.serial = serial;
        this.trace = trace;
        probe = new Probe(sim.Port, replyMs);
    }

    public void Dispose()
    {
        if (ctl != null) ctl.Dispose();
        probe.Dispose();
    }

    Controller Ctl
    {
        get
        {
            if (ctl == null) ctl = serial ? Controller.Serial(ComPort) : Controller.Tcp("127.0.0.1", sim.Port);
            return ctl;
        }
    }

    void Note(string line)
    {
        lock (trace) trace.Add(line);
    }

    public void Do(Step step)
    {
        if (step.IsCheck)
        {
            Check(step.Words);
            Note("  " + step.Line + ": as said");
            return;
        }
        if (step.LaterMs >= 0)
        {
            later = step;
            Note("  " + step.Line);
            return;
        }
        for (int i = 0; i < step.Repeat; ++i)
        {
            long ms;
            var act = new Act { Words = step.Words };
            Exception thrown = Perform(act, out ms);
            string got = thrown == null ? "ok" : thrown.GetType().Name + ": " + thrown.Message;
            Note("  " + step.Line + (step.Repeat > 1 ? " [" + (i + 1) + "]" : "") + ": " + got + " (" + ms + " ms)");
            Expect(step.Outcome, thrown, ms, act);
        }
    }

    // Runs an action, with the "later" one beside it; returns what it threw.
    Exception Perform(Act act, out long ms)
    {
        Step beside = later;
        later = null;
        if (NeedsController(act.Words) || (beside != null && NeedsController(beside.Words)))
        {
            Controller opened = Ctl;  // opened before the action starts
            GC.KeepAlive(opened);
        }
        var source = new CancellationTokenSource();
        Exception besideFailed = null;
        Thread besideThread = null;
        var clock = new Stopwatch();
        if (beside != null && beside.Words[0] == "cancel")
        {
            act.Cancel = source.Token;
            source.Token.Register(() => Note("  cancelled after " + clock.ElapsedMilliseconds + " ms"));
            source.CancelAfter(beside.LaterMs);
        }
        else if (beside != null)
        {
            besideThread = new Thread(() =>
            {
                Thread.Sleep(beside.LaterMs);
                long unused;
                try
                {
                    besideFailed = Perform(new Act { Words = beside.Words }, out unused);
                }
                catch (Exception e)
                {
                    besideFailed = e;
                }
            });
        }
        clock.Start();
        if (besideThread != null) besideThread.Start();
        Exception thrown = null;
        try
        {
            Actions[act.Words[0]](this, act);
        }
        catch (Failure)
        {
            throw;
        }
        catch (Exception e)
        {
            thrown = e;
        }
        ms = clock.ElapsedMilliseconds;
        if (besideThread != null && !besideThread.Join(30000)) throw new Failure("\"" + beside.Line + "\" hangs");
        if (besideFailed != null) throw new Failure("\"" + beside.Line + "\" failed: " + besideFailed.Message);
        source.Dispose();
        return thrown;
    }

    static bool NeedsController(string[] words)
    {
        return !WithoutController.Contains(words[0]);
    }

    // ---- actions ----

    // The A=N words of an action; any other word must be one of `flags` or timeout=MS.
    static Dictionary<Axis, int> Values(string[] words, params string[] flags)
    {
        var values = new Dictionary<Axis, int>();
        foreach (string w in words.Skip(1))
        {
            Match m = Regex.Match(w, @"^([A-Z])=(-?\d+)$");
            if (m.Success)
                values.Add(Table.AxisOf(m.Groups[1].Value), int.Parse(m.Groups[2].Value));
            else if (!flags.Contains(w) && !Regex.IsMatch(w, @"^timeout=-?\d+$"))
                throw new Failure("\"" + w + "\" in \"" + string.Join(" ", words) + "\"");
        }
        return values;
    }

    static int TimeoutOf(string[] words)
    {
        foreach (string w in words)
            if (w.StartsWith("timeout=")) return int.Parse(w.Substring(8));
        return 10000;
    }

    static Axis[] AxesOf(string[] words)
    {
        var axes = new List<Axis>();
        foreach (string w in words.Skip(1).Where(w => !w.StartsWith("timeout=")))
            foreach (char c in w) axes.Add(Table.AxisOf(c.ToString()));
        return axes.ToArray();
    }

    void Move(Act a)
    {
        Dictionary<Axis, int> targets = Values(a.Words, "relative", "keep-moving");
        bool relative = a.Words.Contains("relative");
        a.MoveMask = targets.Keys.Aggregate(0, (m, axis) => m | (int)axis);
        if (!relative)
        {
            a.Targets = new int[10];
            foreach (var t in targets) a.Targets[Array.IndexOf(Enum.GetValues(typeof(Axis)), t.Key)] = t.Value;
        }
        bool keep = a.Words.Contains("keep-moving");
        if (relative)
            Ctl.MoveBy(targets, TimeoutOf(a.Words), keep, a.Cancel);
        else
            Ctl.Move(targets, TimeoutOf(a.Words), keep, a.Cancel);
    }

    static void OpenRefused()
    {
        var listener = new TcpListener(IPAddress.Loopback, 0);
        listener.Start();
        int port = ((IPEndPoint)listener.LocalEndpoint).Port;
        listener.Stop();  // nothing listens there now
        Controller.Tcp("127.0.0.1", port).Dispose();
    }

    static void OpenMissingCom()
    {
        Environment.SetEnvironmentVariable("VEKKESTRA_COM31", "/dev/vekkestra-no-such-port");
        Controller.Serial(31).Dispose();
    }

    // Two threads share the controller, each moving its own axis to and fro; every move must end ok.
    void Threads(int rounds)
    {
        Controller c = Ctl;
        var failures = new List<Exception>();
        Func<Axis, int, Thread> mover = (axis, far) => new Thread(() =>
        {
            try
            {
                for (int i = 0; i < rounds; ++i)
                    c.Move(new Dictionary<Axis, int> { { axis, i % 2 == 0 ? far : 0 } }, 10000);
            }
            catch (Exception e)
            {
                lock (failures) failures.Add(e);
            }
        });
        Thread x = mover(Axis.X, 1000), y = mover(Axis.Y, 2000);
        x.Start();
        y.Start();
        x.Join();
        y.Join();
        if (failures.Count > 0) throw failures[0];
    }

    sealed class LeavingByError : Exception
    {
    }

    void Guard(Act a, bool normally)
    {
        var inner = new Act { Words = a.Words.Skip(1).ToArray() };
        try
        {
            using (MotionScope scope = Ctl.Scope())
            {
                Actions[inner.Words[0]](this, inner);
                if (!normally) throw new LeavingByError();
                scope.Complete();
            }
        }
        catch (LeavingByError)
        {
        }
    }

    // ---- outcomes and checks ----

    static readonly Dictionary<string, Func<Exception, bool>> Kinds = new Dictionary<string, Func<Exception, bool>>
    {
        { "ok", e => e == null },
        { "limit", e => e is LimitException },
        { "slip", e => e is SlipException },
        { "interrupted", e => e is MoveInterruptedException },
        { "timeout", e => e is VekTimeoutException },
        { "cancelled", e => e is OperationCanceledException },
        // vekkestra.h: VEK_ERROR_COMMAND_NAK (216), the controller refused the command.
        { "refused", e => e is VekException && ((VekException)e).Code == 216 },
        { "closed", e => e is ClosedException },
        { "argument", e => e is ArgumentException },
        { "connection", e => e is VekConnectionException },
        { "safe", e => e == null || e is VekException },
    };

    void Expect(Outcome o, Exception e, long ms, Act act)
    {
        string got = e == null ? "ok" : e.GetType().Name + ": " + e.Message;
        if (o == null)
        {
            if (e != null) throw new Failure("expected no error, got " + got);
            return;
        }
        string expected = "expected " + o.Text + ", got " + got;
        if (!Kinds[o.Kind](e)) throw new Failure(expected);
        var axisError = e as AxisException;
        if (o.Axis.HasValue && axisError.Axis != o.Axis.Value) throw new Failure(expected);
        if (o.At.HasValue && (axisError == null || !axisError.PositionRead || axisError.Position != o.At.Value))
            throw new Failure(expected + (axisError != null ? " (position " + axisError.Position + ")" : ""));
        if (o.Stopped.HasValue)
        {
            int stopped = StoppedOf(e);
            if (stopped != o.Stopped.Value)
                throw new Failure(expected + " (stopped " + Table.LettersOf(stopped) + ")");
        }
        if (o.Within.HasValue && ms > o.Within.Value)
            throw new Failure("expected " + o.Text + ", returned after " + ms + " ms");
        if (o.Kind == "safe") Safe(e, act);
    }

    static int StoppedOf(Exception e)
    {
        Axis[] axes = e is VekException ? ((VekException)e).Stopped
                    : e is VekCanceledException ? ((VekCanceledException)e).Stopped : new Axis[0];
        return axes.Aggregate(0, (m, a) => m | (int)a);
    }

    // Ended ok: every moved axis at rest at its target; failed: every moved axis at rest (after its stop).
    void Safe(Exception e, Act act)
    {
        if (act.MoveMask == 0) throw new Failure("\"safe\" is for moves");
        Snapshot s = e == null ? probe.Look() : probe.Rest(act.MoveMask);
        if (!s.AtRest(act.MoveMask))
            throw new Failure((e == null ? "the move ended ok" : "the move failed") + " with an axis still moving: " + s);
        if (e != null || act.Targets == null) return;
        for (int i = 0; i < 10; ++i)
            if ((act.MoveMask & (1 << i)) != 0 && s.Motor[i] != act.Targets[i])
                throw new Failure("the move ended ok short of its target: " + s);
    }

    void Check(string[] words)
    {
        int rest = 0, moving = 0;
        for (int i = 0; i < words.Length; ++i)
        {
            if (words[i] == "rest") rest |= Table.MaskOf(words[++i]);
            else if (words[i] == "moving") moving |= Table.MaskOf(words[++i]);
        }
        Snapshot s = rest != 0 ? probe.Rest(rest) : moving != 0 ? probe.Moving(moving) : probe.Look();
        if (!s.AtRest(rest)) throw new Failure(Table.LettersOf(rest) + " not at rest after 2 s: " + s);
        for (int i = 0; i < words.Length; ++i)
        {
            if (words[i] == "rest" || words[i] == "moving")
            {
                ++i;
                continue;
            }
            Match m = Regex.Match(words[i], @"^([A-Z])([=<>])(-?\d+)$");
            if (!m.Success) throw new Failure("unknown check \"" + words[i] + "\"");
            int motor = s.MotorOf(Table.AxisOf(m.Groups[1].Value));
            int value = int.Parse(m.Groups[3].Value);
            string op = m.Groups[2].Value;
            bool holds = op == "=" ? motor == value : op == "<" ? motor < value : motor > value;
            if (!holds) throw new Failure("check " + words[i] + ": " + s);
        }
        for (int i = 0; i < 10; ++i)
            if ((moving & (1 << i)) != 0 && !s.Moving[i])
                throw new Failure("check moving " + Table.LettersOf(moving) + ": " + s);
    }
}

static class Scenarios
{
    // Longer than any scenario takes; a layer that hangs is reported, not waited for.
    const int StuckMs = 120000;

    static int Main(string[] args)
    {
        List<Scenario> table;
        try
        {
            table = Table.Read(Environment.GetEnvironmentVariable("VEKKESTRA_SCENARIOS"));
        }
        catch (Failure e)
        {
            Console.WriteLine("the table: " + e.Message);
            return 1;
        }
        string onlyLink = null;
        var names = new List<string>();
        for (int i = 0; i < args.Length; ++i)
        {
            if (args[i] == "--link") onlyLink = args[++i];
            else names.Add(args[i]);
        }
        int passed = 0, failed = 0;
        foreach (Scenario s in table.Where(s => names.Count == 0 || names.Contains(s.Name)))
        {
            foreach (string link in s.Links.Where(l => onlyLink == null || l == onlyLink))
            {
                if (RunOne(s, link)) ++passed;
                else ++failed;
            }
        }
        Console.WriteLine(passed + " passed, " + failed + " failed");
        return failed == 0 && passed > 0 ? 0 : 1;
    }

    static bool RunOne(Scenario s, string link)
    {
        string title = s.Name + " (" + link + ")";
        var trace = new List<string>();
        using (new Timer(_ => Stuck(title, trace), null, StuckMs, Timeout.Infinite))
        {
            try
            {
                if (link != "tcp" && link != "serial") throw new Failure("unknown link \"" + link + "\"");
                using (var sim = new Sim(s.SimFlags, link == "serial" ? Run.ComPort : 0))
                using (var run = new Run(sim, link == "serial", 1000 + LatencyOf(s.SimFlags), trace))
                {
                    foreach (Step step in s.Steps) run.Do(step);
                }
                Console.WriteLine("ok   " + title);
                return true;
            }
            catch (Exception e)
            {
                Console.WriteLine("FAIL " + title + ": " + (e is Failure ? e.Message : e.ToString()));
                foreach (string line in trace) Console.WriteLine(line);
                return false;
            }
        }
    }

    static int LatencyOf(string flags)
    {
        Match m = Regex.Match(flags, @"--latency (\d+)");
        return m.Success ? int.Parse(m.Groups[1].Value) : 0;
    }

    static void Stuck(string title, List<string> trace)
    {
        Console.WriteLine("FAIL " + title + ": still running after " + StuckMs / 1000 + " s");
        lock (trace)
            foreach (string line in trace) Console.WriteLine(line);
        if (Sim.Current != null) Sim.Current.Dispose();
        Environment.Exit(1);
    }
}
