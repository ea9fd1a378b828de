// The C# layer's own part, run with mono against the library, the motion core and veksim: the generated
// declarations against the headers and the libraries, arguments, CancellationTokens, Dispose against Close and
// WithHandle. What the layers share (how moves end, recovery, errors by kind) is the scenario table's
// (Scenarios.cs). Environment: VEKSIM (the simulator) and VEKKESTRA_INCLUDE (the public headers). Prints one line
// per case and exits 1 when any failed.
using System;
using System.Collections.Generic;
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

    static string Header(string name)
    {
        return File.ReadAllText(Path.Combine(Environment.GetEnvironmentVariable("VEKKESTRA_INCLUDE"), name));
    }

    // A second connection that watches the simulator, opened before the controller under test (opening a TCP
    // connection clears the process's TCP status flags).
    static bool Moving(Controller watcher, Axis axis)
    {
        return watcher.Query("A" + axis + "EA")[4] == 'P';
    }

    static bool AtRestWithin(Controller watcher, Axis axis, int ms)
    {
        for (int waited = 0; Moving(watcher, axis); waited += 10)
        {
            if (waited > ms) return false;
            Thread.Sleep(10);
        }
        return true;
    }

    // ---- the generated native part ----

    // The C# types a C parameter may take: a pointer to one value by reference, or to several as an array.
    static readonly Dictionary<string, Type[]> Spellings = new Dictionary<string, Type[]>
    {
        { "int32_t", new[] { typeof(int) } },
        { "uint32_t", new[] { typeof(uint) } },
        { "uint64_t", new[] { typeof(ulong) } },
        { "double", new[] { typeof(double) } },
        { "void", new[] { typeof(void) } },
        { "const char*", new[] { typeof(string) } },
        { "char*", new[] { typeof(byte[]) } },
        { "int32_t*", new[] { typeof(int).MakeByRefType(), typeof(int[]) } },
        { "uint32_t*", new[] { typeof(uint).MakeByRefType(), typeof(uint[]) } },
        { "const int32_t*", new[] { typeof(int[]) } },
        { "const double*", new[] { typeof(double[]) } },
        { "void*", new[] { typeof(IntPtr) } },
        { "VekValueList", new[] { typeof(int[]) } },
        { "VekEncoderStatus", new[] { typeof(uint[]) } },
        { "VekmController*", new[] { typeof(IntPtr) } },
        { "VekmController**", new[] { typeof(IntPtr).MakeByRefType() } },
        { "VekmError*", new[] { typeof(VekmError).MakeByRefType() } },
        { "VekmAxisState*", new[] { typeof(VekmAxisState[]) } },
        { "VekmHandleCall", new[] { typeof(VekmHandleCall) } },
    };

    // Every function the header declares with `marker`, declared once in `type` with its parameters' and result's
    // types, and found in its library. Returns how many.
    static int DeclarationsMatch(Type type, string header, string marker)
    {
        var declared = type.GetMethods(BindingFlags.Public | BindingFlags.Static)
                           .Where(m => (m.Attributes & MethodAttributes.PinvokeImpl) != 0)
                           .ToDictionary(m => m.Name);
        var pattern = new Regex(marker + @"_API ([\w ]+?\**) ?" + marker + @"_CALL (\w+)\(([^)]*)\);");
        int count = 0;
        foreach (Match m in pattern.Matches(Regex.Replace(header, @"\s+", " ")))
        {
            ++count;
            string name = m.Groups[2].Value;
            MethodInfo method;
            Expect(declared.TryGetValue(name, out method), name + " declared");
            string[] cParams = m.Groups[3].Value.Trim() == "void" ? new string[0] : m.Groups[3].Value.Split(',');
            ParameterInfo[] csParams = method.GetParameters();
            Expect(cParams.Length == csParams.Length, name + " with " + cParams.Length + " parameters");
            for (int i = 0; i < cParams.Length; ++i)
            {
                string p = cParams[i].Trim();
                string cType = p.Substring(0, p.LastIndexOf(' ')).Replace(" *", "*");
                Expect(Spellings[cType].Contains(csParams[i].ParameterType),
                       name + " parameter " + (i + 1) + " as " + cType + ", not " + csParams[i].ParameterType);
            }
            string cResult = m.Groups[1].Value.Trim();
            Type result = cResult.EndsWith("*") ? typeof(IntPtr) : Spellings[cResult][0];
            Expect(method.ReturnType == result, name + " returning " + cResult);
            Marshal.Prelink(method);
        }
        Expect(declared.Count == count, count + " declarations in " + type.Name + ", not " + declared.Count);
        return count;
    }

    static void DeclarationsMatchTheHeaders()
    {
        Expect(DeclarationsMatch(typeof(Native), Header("vekkestra.h"), "VEK") > 0, "the exports of vekkestra.h");
        Expect(DeclarationsMatch(typeof(NativeMotion), Header("vekkestra_motion.h") + Header("vekkestra_motion_calls.h"),
                                 "VEKM") > 0, "the functions of the motion core");
    }

    // The structs as the header lays them out: 32-bit fields and char arrays, one after another.
    static void StructsMatchTheHeader()
    {
        string header = Regex.Replace(Header("vekkestra_motion.h"), @"/\*\*<.*?\*/", "");
        foreach (Type type in new[] { typeof(VekmError), typeof(VekmAxisState) })
        {
            Match body = Regex.Match(header, @"typedef struct " + type.Name + @" \{(.*?)\} " + type.Name + ";",
                                     RegexOptions.Singleline);
            Expect(body.Success, type.Name + " in the header");
            int offset = 0, fields = 0;
            foreach (Match f in Regex.Matches(body.Groups[1].Value, @"(u?int32_t|char) (\w+)(?:\[(\d+)\])?;"))
            {
                string name = f.Groups[2].Value;
                Expect((int)Marshal.OffsetOf(type, name) == offset, type.Name + "." + name + " at " + offset);
                offset += f.Groups[3].Success ? int.Parse(f.Groups[3].Value) : 4;
                ++fields;
            }
            Expect(fields == type.GetFields().Length, type.Name + " with the header's " + fields + " fields");
            Expect(Marshal.SizeOf(type) == offset, type.Name + " of " + offset + " bytes");
        }
    }

    // The Result enum is the core's table of result codes, row for row.
    static void ResultsAreTheCoresTable()
    {
        int count = NativeMotion.vekm_result_count();
        Expect(Enum.GetValues(typeof(Result)).Length == count, count + " results");
        for (int i = 0; i < count; ++i)
        {
            uint code = NativeMotion.vekm_result_at(i);
            string name = Marshal.PtrToStringAnsi(NativeMotion.vekm_result_name(code));
            Expect(Enum.IsDefined(typeof(Result), code) && ((Result)code).ToString() == name, name + " = " + code);
        }
    }

    // ---- the layer ----

    // Checked by the layer or by the core, an argument out of range is an ArgumentException and nothing is sent.
    static void BadArgumentsSendNothing()
    {
        var sim = new Sim();
        using (sim)
        using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
        {
            Throws<ArgumentException>(() => ctl.MoveAxis((Axis)3, 1), "two axis bits as one axis");
            Throws<ArgumentException>(() => ctl.Position((Axis)1024), "axis 1024");
            Throws<ArgumentException>(() => ctl.Move(new Dictionary<Axis, int> { { (Axis)0, 5 } }), "axis 0");
            Throws<ArgumentException>(() => ctl.Stop((Axis)2048), "stopping axis 2048");
            Throws<ArgumentException>(() => ctl.Send("AXLP5;\0AXMA9;"), "a NUL inside the text");
            Throws<ArgumentException>(() => ctl.Send(null), "no text");
            Throws<ArgumentException>(() => ctl.Jog(Axis.X, double.NaN), "a velocity that is no number");
            ArgumentException e = Throws<ArgumentException>(() => ctl.MoveAxis(Axis.X, 1, -5), "a negative time-out");
            Expect(Regex.IsMatch(e.Message, @"^vekm_\w+: VEKM_BAD_ARGUMENT \(1006\): \w"), "the core's message: " + e.Message);
            Throws<ArgumentException>(() => Controller.Tcp(null), "no host");
            Throws<ArgumentException>(() => Controller.Serial(33), "COM33");
        }
        Expect(sim.Served == 0, "nothing served, not " + sim.Served);
    }

    // A failure is the core's error, its message and the axes it stopped.
    static void ErrorsCarryTheCoresReport()
    {
        using (var sim = new Sim())
        using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
        {
            VekTimeoutException e = Throws<VekTimeoutException>(() => ctl.MoveAxis(Axis.Y, 900000, 200), "a short wait");
            Expect(e.Code == 6 && e.Name == "VEK_ERROR_WAIT_TIMEOUT", "code 6, VEK_ERROR_WAIT_TIMEOUT");
            Expect(e.Message.StartsWith(e.Operation + ": VEK_ERROR_WAIT_TIMEOUT (6): " + e.Detail),
                   "\"operation: NAME (code): detail\", not " + e.Message);
            Expect(e.Stopped.SequenceEqual(new[] { Axis.Y }), "Y stopped");
        }
    }

    static void CancellationTokens()
    {
        using (var sim = new Sim())
        using (Controller watcher = Controller.Tcp("127.0.0.1", sim.Port))
        using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
        {
            // A token cancelled already: nothing moves.
            var cancelled = new CancellationToken(true);
            Throws<OperationCanceledException>(() => ctl.MoveAxis(Axis.X, 50000, 10000, false, cancelled), "cancelled");
            Expect(!Moving(watcher, Axis.X) && watcher.Position(Axis.X) == 0, "X never moved");

            // Cancelled during the wait: the exception carries the token and the axes stopped.
            using (var source = new CancellationTokenSource())
            {
                source.CancelAfter(200);
                VekCanceledException e = Throws<VekCanceledException>(
                    () => ctl.MoveAxis(Axis.X, 900000, 10000, false, source.Token), "cancelled during the wait");
                Expect(e.CancellationToken == source.Token, "the caller's token");
                Expect(e.Stopped.SequenceEqual(new[] { Axis.X }), "X stopped");
                Expect(AtRestWithin(watcher, Axis.X, 2000), "X at rest");
            }

            // A token's registration ends with its call: cancelling it later ends no other wait.
            using (var source = new CancellationTokenSource())
            {
                ctl.MoveAxis(Axis.Z, 100, 10000, false, source.Token);
                Task later = Task.Run(() =>
                {
                    Thread.Sleep(100);
                    source.Cancel();
                });
                ctl.MoveAxis(Axis.Z, 3000, 10000);
                later.Wait();
                Expect(watcher.Position(Axis.Z) == 3000, "Z at 3000");
            }
        }
    }

    // A jog goes on until something stops it, so what still runs tells what leaving did.
    static void DisposeStopsCloseDoesNot()
    {
        using (var sim = new Sim())
        using (Controller watcher = Controller.Tcp("127.0.0.1", sim.Port))
        {
            Controller ctl = Controller.Tcp("127.0.0.1", sim.Port);
            ctl.Jog(Axis.X, 5000);
            ctl.Dispose();
            Expect(AtRestWithin(watcher, Axis.X, 2000), "the disposed controller's jog stopped");
            ctl.Dispose();  // twice is fine

            ctl = Controller.Tcp("127.0.0.1", sim.Port);
            ctl.Jog(Axis.Y, 5000);
            ctl.Close();
            Expect(!ctl.IsOpen, "closed");
            ctl.Dispose();
            Thread.Sleep(300);
            Expect(Moving(watcher, Axis.Y), "the closed controller's jog still running, Dispose after Close too");
            watcher.Stop(Axis.Y);
        }
    }

    static void ClosedSendsNothing()
    {
        var sim = new Sim();
        using (sim)
        {
            Controller closed = Controller.Tcp("127.0.0.1", sim.Port);
            closed.Close();
            Controller disposed = Controller.Tcp("127.0.0.1", sim.Port);
            disposed.Dispose();
            foreach (Controller ctl in new[] { closed, disposed })
            {
                Controller c = ctl;
                Throws<ClosedException>(() => c.MoveAxis(Axis.X, 5), "a move");
                Throws<ClosedException>(() => c.Jog(Axis.X, 100), "a jog");
                Throws<ClosedException>(() => c.Stop(), "a stop");
                Throws<ClosedException>(() => c.Poll(), "a poll");
                Throws<ClosedException>(() => c.Query("AXRP;"), "a query");
            }
        }
        Expect(sim.Served == 0, "nothing served, not " + sim.Served);
    }

    // WithHandle runs an export under the lock, and its result is the core's to judge.
    static void WithHandleRunsExports()
    {
        using (var sim = new Sim("", ComPort))
        using (Controller tcp = Controller.Tcp("127.0.0.1", sim.Port))
        using (Controller serial = Controller.Serial(ComPort))
        {
            tcp.WithHandle((ref uint h) => Native.VEKnet_SendCommand(ref h, "AXLP1234;"));
            int position = 0;
            serial.WithHandle((ref uint h) => Native.VEKser_GetAxisMotorPosition(ref h, (int)Axis.X, out position));
            Expect(position == 1234, "X at 1234 read through the serial handle, not " + position);
            VekException e = Throws<VekException>(
                () => tcp.WithHandle((ref uint h) => Native.VEKnet_GetAxisMotorPosition(ref h, 3, out position)),
                "two axis bits");
            Expect(e.Code == 2, "VEK_ERROR_INVALID_AXIS (2), not " + e.Code);
            Throws<InvalidOperationException>(
                () => tcp.WithHandle((ref uint h) => { throw new InvalidOperationException("the call's own"); }),
                "the call's exception");
            Expect(tcp.Position(Axis.X) == 1234, "the controller goes on");
        }
    }

    // Poll's array of structs and Positions' arrays come back filled, slot i for axis bit i.
    static void LooksComeBackInAxisOrder()
    {
        using (var sim = new Sim())
        using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
        {
            ctl.Send("AXLP11;AYLP22;AKLP-99;");
            ctl.Jog(Axis.T, 4000);
            AxisState[] states = ctl.Poll();
            Expect(states.Select(s => s.Axis).SequenceEqual((Axis[])Enum.GetValues(typeof(Axis))), "ten axes in order");
            Expect(states[0].Motor == 11 && states[1].Motor == 22 && states[9].Motor == -99, "X 11, Y 22, K -99");
            Expect(states[3].State == MotionState.Moving && states[3].Ours, "T moving, set so by this controller");
            Expect(states.Count(s => s.State == MotionState.AtRest) == 9, "the others at rest");
            Expect(ctl.Moving.SequenceEqual(new[] { Axis.T }), "T in Moving");
            IDictionary<Axis, AxisPosition> all = ctl.Positions();
            Expect(all[Axis.X].Motor == 11 && all[Axis.K].Motor == -99 && all.Count == 10, "positions X 11, K -99");
            ctl.Stop(Axis.T);
            ctl.Wait();
            Expect(ctl.Moving.Length == 0, "nothing moving after the wait");
        }
    }

    // Every operation of vekkestra.h is a method (Raw<Name> where a safe form has the name); those that take nothing
    // or one axis and return a value do so on the simulator, and the typed ones take axes and give back what the call
    // filled in: a number, two lists of ten, five encoder flags ([4] is "P" while the axis runs).
    static void TypedOperations()
    {
        var own = new HashSet<string> { "Initialize", "Close", "GetLastError", "SendCommand", "Query" };
        var names = Regex.Matches(Header("vekkestra.h"), @"VEK_CALL VEKnet_(\w+)\(").Cast<Match>()
                         .Select(m => m.Groups[1].Value).Where(n => !own.Contains(n)).ToList();
        var readers = new List<string>();
        using (var sim = new Sim())
        using (Controller ctl = Controller.Tcp("127.0.0.1", sim.Port))
        {
            foreach (string name in names)
            {
                MethodInfo m = typeof(Controller).GetMethod("Raw" + name) ?? typeof(Controller).GetMethod(name);
                Expect(m != null, "a method for " + name);
                ParameterInfo[] p = m.GetParameters();
                if (m.ReturnType == typeof(void) || p.Length > 1 || (p.Length == 1 && p[0].ParameterType != typeof(Axis)))
                    continue;
                object value = m.Invoke(ctl, p.Length == 0 ? new object[0] : new object[] { Axis.X });
                Expect(value != null && m.ReturnType.IsInstanceOfType(value), name + " returning " + m.ReturnType.Name);
                readers.Add(m.Name);
            }
            Expect(readers.Contains("GetAxisMotorPosition") && readers.Contains("GetIllegalCommand"),
                   "the readers called, not only " + string.Join(", ", readers));

            ctl.SetAxisMaxVelocity(Axis.Y, 4321);
            Expect(ctl.GetAxisMaxVelocity(Axis.Y) == 4321, "Y's maximum velocity 4321");
            ctl.SetAxisMotorPosition(Axis.Z, -777);
            Tuple<int[], int[]> both = ctl.GetAllAxisPositions();
            Expect(both.Item1.Length == 10 && both.Item2.Length == 10 && both.Item1[2] == -777, "Z's motor at -777");
            ctl.Jog(Axis.U, 3000);
            Expect(ctl.GetAxisEncoderStatus(Axis.U)[4], "U running");
            ctl.Stop(Axis.U);
            ctl.RawMoveAxis(Axis.X, 0, 500, 0, 5000);
            Expect(ctl.GetAxisMotorPosition(Axis.X) == 500 && ctl.Moving.Length == 0, "X at 500, not tracked");
            Throws<ArgumentException>(() => ctl.GetAxisMaxVelocity((Axis)3), "two axis bits as one axis");
            Throws<ArgumentException>(() => ctl.RawMove(new[] { Axis.X }, 0, 0, new int[2], 0, 0), "two values for ten");
        }
    }

    static int Main()
    {
        Run("declarations match the headers and the libraries", DeclarationsMatchTheHeaders);
        Run("the structs are laid out as in the header", StructsMatchTheHeader);
        Run("the result codes are the core's table", ResultsAreTheCoresTable);
        Run("bad arguments are refused before anything is sent", BadArgumentsSendNothing);
        Run("errors carry the core's report", ErrorsCarryTheCoresReport);
        Run("cancellation tokens end waits, and only their own calls'", CancellationTokens);
        Run("Dispose stops what the controller set moving, Close does not", DisposeStopsCloseDoesNot);
        Run("a closed or disposed controller throws and sends nothing", ClosedSendsNothing);
        Run("WithHandle runs exports with the core's judgement", WithHandleRunsExports);
        Run("looks come back in axis order", LooksComeBackInAxisOrder);
        Run("every operation is a typed method", TypedOperations);
        Console.WriteLine(failures == 0 ? "all passed" : failures + " failed");
        return failures == 0 ? 0 : 1;
    }
}
