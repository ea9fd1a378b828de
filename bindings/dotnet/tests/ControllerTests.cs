// The C# binding run with mono against libvekkestra.so and veksim: the
// declarations against the header and the library, then the Controller's
// safeguards, each case against a fresh simulator process. Environment:
// VEKSIM (the simulator) and VEKKESTRA_HEADER (vekkestra.h). Prints one line
// per case and exits 1 when any failed.
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.IO;
using System.Linq;
using System.Reflection;
using System.Runtime.InteropServices;
using System.Text.RegularExpressions;
using System.Threading;
using System.Threading.Tasks;
using VekKestra;

static class ControllerTests
{
    const int ComPort = 22;  // this suite's own, so that CTest may run it beside the others
    static int failures;

    // ---- a veksim process ----

    sealed class Sim : IDisposable
    {
        public int Port;
        public int Served = -1;
        readonly Process process;

        public Sim(string flags = "")
        {
            var start = new ProcessStartInfo(Environment.GetEnvironmentVariable("VEKSIM"),
                                             "--port 0 --publish-com " + ComPort + " " + flags)
            {
                UseShellExecute = false,
                RedirectStandardOutput = true
            };
            process = Process.Start(start);
            for (;;)
            {
                string line = process.StandardOutput.ReadLine();
                if (line == null) throw new Exception("veksim ended before it was ready");
                if (line.StartsWith("veksim: listening on ")) Port = int.Parse(line.Substring(line.LastIndexOf(':') + 1));
                string com = "VEKKESTRA_COM" + ComPort + "=";
                if (!line.StartsWith(com)) continue;
                Environment.SetEnvironmentVariable("VEKKESTRA_COM" + ComPort, line.Substring(com.Length));
                break;
            }
        }

        [DllImport("libc")]
        static extern int kill(int pid, int signal);

        // SIGTERM: veksim stops and prints how many command texts it served.
        public void Dispose()
        {
            if (process.HasExited) return;
            kill(process.Id, 15);
            string line;
            while ((line = process.StandardOutput.ReadLine()) != null)
            {
                Match m = Regex.Match(line, @"stopped after (\d+) commands");
                if (m.Success) Served = int.Parse(m.Groups[1].Value);
            }
            if (!process.WaitForExit(5000)) process.Kill();
        }
    }

    static Controller Open(Sim sim, bool serial)
    {
        return serial ? Controller.Serial(ComPort) : Controller.Tcp("localhost", sim.Port);
    }

    // A second connection that watches the simulator: over TCP, opened before the controller under test, since
    // opening a TCP connection clears the process's TCP status flags.
    static bool Moving(Controller watcher, Axis axis)
    {
        return watcher.Query("A" + axis + "EA")[4] == 'P';
    }

    static bool AtRestWithin(Controller watcher, Axis axis, int ms)
    {
        var clock = Stopwatch.StartNew();
        while (Moving(watcher, axis))
        {
            if (clock.ElapsedMilliseconds > ms) return false;
            Thread.Sleep(5);
        }
        return true;
    }

    // ---- checks ----

    static void Expect(bool condition, string what)
    {
        if (!condition) throw new Exception("expected " + what);
    }

    static T Throws<T>(Action action, string what) where T : Exception
    {
        try
        {
            action();
        }
        catch (T e)
        {
            return e;
        }
        catch (Exception e)
        {
            throw new Exception(what + ": expected " + typeof(T).Name + ", got " + e.GetType().Name + ": " + e.Message);
        }
        throw new Exception(what + ": expected " + typeof(T).Name + ", nothing was thrown");
    }

    static void Run(string name, Action test)
    {
        try
        {
            test();
            Console.WriteLine("ok   " + name);
        }
        catch (Exception e)
        {
            ++failures;
            Console.WriteLine("FAIL " + name + ": " + e.Message);
        }
    }

    static void BothLinks(string name, Action<bool> test)
    {
        Run(name + " (TCP)", () => test(false));
        Run(name + " (serial)", () => test(true));
    }

    // ---- the declarations ----

    static readonly Dictionary<string, Type> ScalarTypes = new Dictionary<string, Type>
    {
        { "int32_t", typeof(int) }, { "uint32_t", typeof(uint) }, { "double", typeof(double) }, { "void", typeof(void) }
    };

    // Every export of the header is declared once, with its parameter count and scalar types, and the library
    // resolves every declaration.
    static void DeclarationsMatchTheHeader()
    {
        var declared = typeof(Native).GetMethods(BindingFlags.Public | BindingFlags.Static)
                           .Where(m => (m.Attributes & MethodAttributes.PinvokeImpl) != 0)
                           .ToDictionary(m => m.Name);
        var header = new Regex(@"^VEK_API (.+?) VEK_CALL (\w+)\((.*)\);");
        int exports = 0;
        foreach (string line in File.ReadLines(Environment.GetEnvironmentVariable("VEKKESTRA_HEADER")))
        {
            Match m = header.Match(line);
            if (!m.Success) continue;
            ++exports;
            string name = m.Groups[2].Value;
            MethodInfo method;
            Expect(declared.TryGetValue(name, out method), name + " declared");
            string[] cParams = m.Groups[3].Value == "void" ? new string[0] : m.Groups[3].Value.Split(',');
            ParameterInfo[] csParams = method.GetParameters();
            Expect(cParams.Length == csParams.Length, name + " with " + cParams.Length + " parameters");
            for (int i = 0; i < cParams.Length; ++i)
            {
                string cType = cParams[i].Trim().Substring(0, cParams[i].Trim().LastIndexOf(' '));
                Type t = csParams[i].ParameterType;
                bool pointer = cType.EndsWith("*");
                Expect(pointer ? (t.IsByRef || t.IsArray || t == typeof(string))
                               : t == ScalarTypes[cType], name + " parameter " + (i + 1) + " as " + cType);
            }
            string cReturn = m.Groups[1].Value;
            Expect(cReturn.EndsWith("*") ? method.ReturnType == typeof(IntPtr) : method.ReturnType == ScalarTypes[cReturn],
                   name + " returning " + cReturn);
            Marshal.Prelink(method);
        }
        Expect(exports == 145 && declared.Count == 145, "145 exports, 145 declarations");
    }

    // ---- the controller ----

    static void MovesEndWhereAsked(bool serial)
    {
        using (var sim = new Sim())
        using (Controller ctl = Open(sim, serial))
        {
            ctl.Move(new Dictionary<Axis, int> { { Axis.X, 1200 }, { Axis.K, -300 } }, TimeSpan.FromSeconds(3));
            ctl.MoveBy(new Dictionary<Axis, int> { { Axis.K, 50 } }, TimeSpan.FromSeconds(3));
            IDictionary<Axis, AxisPosition> all = ctl.Positions();
            Expect(all.Count == 10 && all[Axis.X].Motor == 1200 && all[Axis.K].Motor == -250 && all[Axis.Y].Motor == 0,
                   "X at 1200 and K at -250");
            // A done left by the move to 1200 must not end this one.
            ctl.MoveAxis(Axis.X, 15000, TimeSpan.FromSeconds(10));
            Expect(ctl.Position(Axis.X) == 15000, "X at 15000 when the move returns");
            Expect(ctl.Moving.Length == 0, "nothing left moving");
        }
    }

    static void LimitOrSlipStopsTheOtherAxis(bool slip)
    {
        using (var sim = new Sim(slip ? "--slip-axis X" : "--limits X=-1000000,3000"))
        using (Controller watcher = Controller.Tcp("127.0.0.1", sim.Port))
        using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
        {
            if (slip) ctl.Send("AXIS;");
            AxisException e = Throws<AxisException>(
                () => ctl.Move(new Dictionary<Axis, int> { { Axis.X, 20000 }, { Axis.Y, 20000 } }, TimeSpan.FromSeconds(10)),
                "move");
            Expect(e.Axis == Axis.X && (slip ? e is SlipException : e is LimitException), "the error names X: " + e.Message);
            Expect(slip || e.Position == 3000, "X stopped at the switch: " + e.Message);
            Expect(e.Operation == "VEKnet_Move", "the operation VEKnet_Move");
            Expect(AtRestWithin(watcher, Axis.Y, 1000), "Y at rest");
            Expect(watcher.Position(Axis.Y) < 10000, "Y stopped short");
        }
    }

    static void TimeOutStopsAndSaysSo(bool serial)
    {
        using (var sim = new Sim())
        using (Controller watcher = Controller.Tcp("127.0.0.1", sim.Port))
        using (Controller ctl = Open(sim, serial))
        {
            VekTimeoutException e = Throws<VekTimeoutException>(
                () => ctl.MoveAxis(Axis.Y, 40000, TimeSpan.FromMilliseconds(300)), "move");
            string expected = (serial ? "VEKser_MoveAxis" : "VEKnet_MoveAxis") + ": VEK_ERROR_WAIT_TIMEOUT (6)";
            Expect(e.Code == 6 && e.Message == expected, expected + ", not " + e.Message);
            Expect(AtRestWithin(watcher, Axis.Y, 500), "Y stopped");
        }
    }

    static void CancelStopsAtOnce()
    {
        using (var sim = new Sim())
        using (Controller watcher = Controller.Tcp("127.0.0.1", sim.Port))
        using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
        using (var cancel = new CancellationTokenSource())
        {
            var clock = new Stopwatch();
            Task move = Task.Run(() =>
            {
                try
                {
                    ctl.MoveAxis(Axis.X, 40000, TimeSpan.FromSeconds(10), OnTimeout.Stop, cancel.Token);
                }
                finally
                {
                    clock.Stop();
                }
            });
            Thread.Sleep(300);
            clock.Start();
            cancel.Cancel();
            AggregateException e = Throws<AggregateException>(() => move.Wait(), "the move");
            Expect(e.InnerException is OperationCanceledException, "OperationCanceledException");
            Expect(clock.ElapsedMilliseconds < 100, "the stop sent within 100 ms, not " + clock.ElapsedMilliseconds);
            Expect(AtRestWithin(watcher, Axis.X, 500), "X stopped");
            Expect(watcher.Position(Axis.X) < 20000, "X stopped short");
        }
    }

    // A jog goes on until something stops it, so what still runs tells what leaving the block did.
    static void LeavingABlock()
    {
        using (var sim = new Sim())
        using (Controller watcher = Controller.Tcp("127.0.0.1", sim.Port))
        {
            try
            {
                using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
                {
                    ctl.Jog(Axis.X, 5000);
                    throw new InvalidOperationException("leaving");
                }
            }
            catch (InvalidOperationException)
            {
            }
            Expect(AtRestWithin(watcher, Axis.X, 500), "the disposed controller's jog stopped");

            using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
            {
                ctl.Jog(Axis.Z, 3000);  // before the scope: not the scope's
                try
                {
                    using (new MotionScope(ctl))
                    {
                        ctl.Jog(Axis.X, 5000);
                        throw new InvalidOperationException("leaving");
                    }
                }
                catch (InvalidOperationException)
                {
                }
                Expect(AtRestWithin(watcher, Axis.X, 500), "the scope's jog stopped");
                Expect(Moving(watcher, Axis.Z), "the jog from before the scope still running");
                using (var scope = new MotionScope(ctl))
                {
                    ctl.Jog(Axis.Y, 5000);
                    scope.Complete();
                }
                Expect(!AtRestWithin(watcher, Axis.Y, 300), "the completed scope's jog still running");
                ctl.Close();
            }
            Expect(Moving(watcher, Axis.Y), "Close() stops nothing");
            watcher.Stop();
        }
    }

    static void ClosedSendsNothing(bool serial)
    {
        var calls = new Dictionary<string, Action<Controller>>
        {
            { "Move", c => c.Move(new Dictionary<Axis, int> { { Axis.X, 5 }, { Axis.Y, 5 } }, TimeSpan.FromSeconds(1)) },
            { "MoveAxis", c => c.MoveAxis(Axis.X, 5, TimeSpan.Zero) },
            { "Home", c => c.Home(Axis.X, TimeSpan.FromSeconds(1)) },
            { "Jog", c => c.Jog(Axis.X, 100) },
            { "Stop", c => c.Stop() },
            { "Kill", c => c.Kill(Axis.X) },
            { "Position", c => c.Position(Axis.X) },
            { "Positions", c => c.Positions() },
            { "Query", c => c.Query("AXRP;") },
            { "Send", c => c.Send("AXLP5;") },
        };
        var sim = new Sim();
        using (sim)
        {
            Controller ctl = Open(sim, serial);
            ctl.Position(Axis.X);  // the one command text of this test
            ctl.Dispose();
            foreach (var call in calls) Throws<ClosedException>(() => call.Value(ctl), call.Key);
            Thread.Sleep(50);
        }
        Expect(sim.Served == 1, "one command served, not " + sim.Served);
    }

    static void BadArgumentsSendNothing()
    {
        var sim = new Sim();
        using (sim)
        using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
        {
            Throws<ArgumentException>(() => ctl.MoveAxis((Axis)3, 1, TimeSpan.FromSeconds(1)), "two axis bits");
            Throws<ArgumentException>(() => ctl.Position((Axis)1024), "axis 1024");
            Throws<ArgumentException>(() => ctl.Move(new Dictionary<Axis, int>(), TimeSpan.FromSeconds(1)), "no axes");
            Throws<ArgumentException>(() => ctl.MoveAxis(Axis.X, 1, TimeSpan.FromMilliseconds(-1)), "negative time-out");
            Throws<ArgumentException>(() => ctl.Send(""), "empty command");
            Throws<ArgumentException>(() => Controller.Serial(33), "COM33");
        }
        Expect(sim.Served == 0, "nothing served, not " + sim.Served);
    }

    static void ThreadsGetTheirOwnAnswers(bool serial)
    {
        using (var sim = new Sim())
        using (Controller ctl = Open(sim, serial))
        {
            Axis[] axes = { Axis.X, Axis.Y, Axis.Z, Axis.T };
            for (int i = 0; i < 4; ++i) ctl.Send("A" + axes[i] + "LP" + (1111 * (i + 1)) + ";");
            int wrong = 0;
            Parallel.For(0, 4, i =>
            {
                for (int n = 0; n < 20; ++n)
                    if (ctl.Position(axes[i]) != 1111 * (i + 1)) Interlocked.Increment(ref wrong);
            });
            Expect(wrong == 0, "every thread its own answers, " + wrong + " wrong");
        }
    }

    // Y's answer comes after its call has given up; the call for X after it, late too, must not take it.
    static void LateReplyIsNeverALaterAnswer(bool serial)
    {
        using (var sim = new Sim(serial ? "--latency 150" : "--latency 3000"))
        using (Controller ctl = Open(sim, serial))
        {
            if (serial)
                ctl.Send("AYLP2222;");
            else
                Throws<VekTimeoutException>(() => ctl.Send("AYLP2222;"), "the late ACK");
            Throws<VekTimeoutException>(() => ctl.Position(Axis.Y), "the late answer");
            try
            {
                int x = ctl.Position(Axis.X);
                Expect(x == 0, "X's own position, not " + x);
            }
            catch (VekTimeoutException)
            {
            }
        }
    }

    static void MissingDoneDoesNotHang(bool serial)
    {
        using (var sim = new Sim())
        using (Controller ctl = Open(sim, serial))
        {
            Task move = Task.Run(() => ctl.MoveAxis(Axis.X, 40000, TimeSpan.FromSeconds(5)));
            Thread.Sleep(100);
            // Replaces the move without asking for a done report, so none comes.
            ctl.Send("AXMA1500;GD;");
            move.Wait();
            Expect(ctl.Position(Axis.X) == 1500, "X at 1500");
        }
    }

    static int OpenDescriptors()
    {
        return Directory.GetFileSystemEntries("/proc/self/fd").Length;
    }

    static void FailedOpenLeavesNothingOpen()
    {
        string file = Path.GetTempFileName();  // a regular file opens as a port but takes no line settings
        Environment.SetEnvironmentVariable("VEKKESTRA_COM23", file);
        var listener = new System.Net.Sockets.TcpListener(System.Net.IPAddress.Loopback, 0);
        listener.Start();
        int port = ((System.Net.IPEndPoint)listener.LocalEndpoint).Port;
        listener.Stop();
        int before = OpenDescriptors();
        VekConnectionException e = Throws<VekConnectionException>(() => Controller.Tcp("127.0.0.1", port), "refused");
        Expect(e.Code == 202, "202, not " + e.Code);
        e = Throws<VekConnectionException>(() => Controller.Serial(23), "not a tty");
        Expect(e.Code == 301, "301, not " + e.Code);
        Expect(OpenDescriptors() == before, "as many descriptors open as before: " + before + ", not " + OpenDescriptors());
        File.Delete(file);
    }

    static int Main()
    {
        Run("declarations match the header and the library", DeclarationsMatchTheHeader);
        BothLinks("moves end where asked, an old done ends none", MovesEndWhereAsked);
        Run("a limit stops the other axis", () => LimitOrSlipStopsTheOtherAxis(false));
        Run("a slip stops the other axis", () => LimitOrSlipStopsTheOtherAxis(true));
        BothLinks("a time-out stops the axis and says so", TimeOutStopsAndSaysSo);
        Run("a cancel stops the axis within 100 ms", CancelStopsAtOnce);
        Run("leaving a block stops what it set moving", LeavingABlock);
        BothLinks("a closed controller throws and sends nothing", ClosedSendsNothing);
        Run("bad arguments are refused before anything is sent", BadArgumentsSendNothing);
        BothLinks("threads sharing a controller get their own answers", ThreadsGetTheirOwnAnswers);
        BothLinks("a late reply is never a later call's answer", LateReplyIsNeverALaterAnswer);
        BothLinks("a missing done report does not hang the wait", MissingDoneDoesNotHang);
        Run("a failed open leaves nothing open", FailedOpenLeavesNothingOpen);
        Console.WriteLine(failures == 0 ? "all passed" : failures + " failed");
        return failures == 0 ? 0 : 1;
    }
}
