// VekKestra for .NET: a Controller over the motion core (vekkestra_motion.h), in .NET's terms. The core decides
// everything about motion (when a move has ended, what a limit or a slip stops, recovery after a lost reply, the
// result codes and their kinds); this layer turns its types into .NET ones, its errors into exceptions chosen by
// their kind and carrying the core's own message, CancellationTokens into vekm_cancel(), and scopes into using
// blocks. The P/Invoke declarations are in Native.g.cs, written from the headers.
using System;
using System.Collections.Generic;
using System.Runtime.InteropServices;
using System.Text;
using System.Threading;

namespace VekKestra
{
    /// <summary>What a move does with its axes when its time-out runs out (the TimeSpan overloads).</summary>
    public enum OnTimeout
    {
        Stop,
        KeepMoving
    }

    /// <summary>Motor and encoder reading of one axis, in the controller's units.</summary>
    public struct AxisPosition
    {
        public int Motor;
        public int Encoder;
    }

    /// <summary>What Poll() found an axis doing (vekkestra_motion.h, the VEKM_STATE_ values).</summary>
    public enum MotionState
    {
        AtRest = NativeMotion.VEKM_STATE_AT_REST,
        Moving = NativeMotion.VEKM_STATE_MOVING,
        Limit = NativeMotion.VEKM_STATE_LIMIT,
        Slip = NativeMotion.VEKM_STATE_SLIP,
        Refused = NativeMotion.VEKM_STATE_REFUSED
    }

    /// <summary>One axis as Poll() saw it.</summary>
    public sealed class AxisState
    {
        internal AxisState(Axis axis, VekmAxisState s)
        {
            Axis = axis;
            State = (MotionState)s.state;
            Flags = s.flags;
            Motor = s.motor;
            Encoder = s.encoder;
            Target = (s.flags & NativeMotion.VEKM_AXIS_HAS_TARGET) != 0 ? s.target : (int?)null;
            Direction = s.direction;
        }

        public Axis Axis { get; private set; }
        public MotionState State { get; private set; }
        /// <summary>The VEKM_AXIS_ flags; the properties below read them.</summary>
        public int Flags { get; private set; }
        public int Motor { get; private set; }
        public int Encoder { get; private set; }
        /// <summary>This controller's target for the axis, when it has one.</summary>
        public int? Target { get; private set; }
        /// <summary>+1 or -1, the way the axis last moved; 0 before it was seen moving.</summary>
        public int Direction { get; private set; }

        public bool OnHomeSwitch { get { return Has(NativeMotion.VEKM_AXIS_HOME_SWITCH); } }
        public bool PidOn { get { return Has(NativeMotion.VEKM_AXIS_PID); } }
        public bool SlipDetection { get { return Has(NativeMotion.VEKM_AXIS_SLIP_DETECTION); } }
        /// <summary>This controller set the axis moving and has not seen it end.</summary>
        public bool Ours { get { return Has(NativeMotion.VEKM_AXIS_OURS); } }
        /// <summary>The axis came to rest since the previous poll.</summary>
        public bool Ended { get { return Has(NativeMotion.VEKM_AXIS_ENDED); } }
        /// <summary>It ended short of the target this controller gave it.</summary>
        public bool Short { get { return Has(NativeMotion.VEKM_AXIS_SHORT); } }

        bool Has(int flag)
        {
            return (Flags & flag) != 0;
        }

        public override string ToString()
        {
            return Axis + " " + State + " at " + Motor;
        }
    }

    // ---- errors: one class per kind of the core's result codes ----

    /// <summary>A failed call. Message is the core's own: "vekm_move: VEK_ERROR_WAIT_TIMEOUT (6): X still moving after
    /// 300 ms; stopped X", and on a line of its own what to do about it when the core knows.</summary>
    public class VekException : Exception
    {
        internal VekException(VekmError e) : base(e.message)
        {
            Code = e.code;
            Name = e.name;
            Operation = e.operation;
            Detail = e.detail;
            Hint = e.hint;
            Stopped = Axes.Of(e.stopped);
        }

        /// <summary>The result code (a VEK_ERROR_ code of vekkestra.h or a VEKM_ code).</summary>
        public uint Code { get; private set; }
        /// <summary>Its name ("VEK_ERROR_WAIT_TIMEOUT").</summary>
        public string Name { get; private set; }
        /// <summary>The export or core function that failed.</summary>
        public string Operation { get; private set; }
        public string Detail { get; private set; }
        /// <summary>What to do about it, or empty.</summary>
        public string Hint { get; private set; }
        /// <summary>The axes the core stopped on the way out.</summary>
        public Axis[] Stopped { get; private set; }
    }

    /// <summary>A wait that ran out (6) or a reply that did not come (213, 214, 352).</summary>
    public class VekTimeoutException : VekException
    {
        internal VekTimeoutException(VekmError e) : base(e) { }
    }

    /// <summary>Connecting, sending or receiving failed (201, 202, 211, 212, 217, 301, 350, 351).</summary>
    public class VekConnectionException : VekException
    {
        internal VekConnectionException(VekmError e) : base(e) { }
    }

    /// <summary>A call on a closed controller; nothing was sent.</summary>
    public class ClosedException : VekException
    {
        internal ClosedException(VekmError e) : base(e) { }
    }

    /// <summary>A moved axis ended the motion early; the error names it and where it stood.</summary>
    public abstract class AxisException : VekException
    {
        internal AxisException(VekmError e) : base(e)
        {
            Axis = (Axis)e.axis;
            Position = e.position;
            PositionRead = e.position_read != 0;
        }

        public Axis Axis { get; private set; }
        /// <summary>The axis's motor position when it was found (valid when PositionRead).</summary>
        public int Position { get; private set; }
        public bool PositionRead { get; private set; }
    }

    /// <summary>A moved axis met a limit switch; the other moved axes were stopped.</summary>
    public sealed class LimitException : AxisException
    {
        internal LimitException(VekmError e) : base(e) { }
    }

    /// <summary>A moved axis slipped (slip detection on); the other moved axes were stopped.</summary>
    public sealed class SlipException : AxisException
    {
        internal SlipException(VekmError e) : base(e) { }
    }

    /// <summary>A moved axis came to rest short of its target: something else stopped or killed it.</summary>
    public sealed class MoveInterruptedException : AxisException
    {
        internal MoveInterruptedException(VekmError e) : base(e) { }
    }

    /// <summary>A wait ended by a CancellationToken, Cancel() or a signal, after its axes were stopped.</summary>
    public sealed class VekCanceledException : OperationCanceledException
    {
        internal VekCanceledException(VekmError e, CancellationToken token) : base(e.message, token)
        {
            Code = e.code;
            Operation = e.operation;
            Stopped = Axes.Of(e.stopped);
            Signal = e.signal;
        }

        public uint Code { get; private set; }
        public string Operation { get; private set; }
        /// <summary>The axes the core stopped.</summary>
        public Axis[] Stopped { get; private set; }
        /// <summary>The signal that ended the wait, or 0.</summary>
        public int Signal { get; private set; }
    }

    // The exception of each kind (vekkestra_motion.h, VEKM_KIND_).
    static class Errors
    {
        delegate Exception Make(VekmError e, CancellationToken token);

        static readonly Dictionary<int, Make> ByKind = new Dictionary<int, Make>
        {
            { NativeMotion.VEKM_KIND_TIMEOUT, (e, t) => new VekTimeoutException(e) },
            { NativeMotion.VEKM_KIND_CONNECTION, (e, t) => new VekConnectionException(e) },
            { NativeMotion.VEKM_KIND_CLOSED, (e, t) => new ClosedException(e) },
            { NativeMotion.VEKM_KIND_LIMIT, (e, t) => new LimitException(e) },
            { NativeMotion.VEKM_KIND_SLIP, (e, t) => new SlipException(e) },
            { NativeMotion.VEKM_KIND_INTERRUPTED, (e, t) => new MoveInterruptedException(e) },
            { NativeMotion.VEKM_KIND_CANCELLED, (e, t) => new VekCanceledException(e, t) },
            { NativeMotion.VEKM_KIND_ARGUMENT, (e, t) => new ArgumentException(e.message) },
        };

        internal static void Check(uint code, VekmError e, CancellationToken token = default(CancellationToken))
        {
            if (code == 0) return;
            Make make;
            throw ByKind.TryGetValue(e.kind, out make) ? make(e, token) : new VekException(e);
        }
    }

    // Axis bits and the lists the core takes.
    static class Axes
    {
        static readonly Axis[] All = (Axis[])Enum.GetValues(typeof(Axis));

        internal static int Bit(Axis axis)
        {
            if (Array.IndexOf(All, axis) < 0) throw new ArgumentException((int)axis + " is not an axis", "axis");
            return (int)axis;
        }

        internal static int Mask(IEnumerable<Axis> axes)
        {
            int mask = 0;
            if (axes != null)
                foreach (Axis axis in axes) mask |= Bit(axis);
            return mask;
        }

        internal static int Slot(Axis axis)
        {
            return Array.IndexOf(All, axis);
        }

        internal static Axis[] Of(int mask)
        {
            var axes = new List<Axis>();
            foreach (Axis axis in All)
                if ((mask & (int)axis) != 0) axes.Add(axis);
            return axes.ToArray();
        }

        // Ten values a call reads, slot i for axis bit i: exactly ten.
        internal static int[] Ten(int[] values, string name)
        {
            if (values == null) throw new ArgumentNullException(name);
            if (values.Length != NativeMotion.VEK_AXIS_COUNT)
                throw new ArgumentException("ten values, slot i for axis bit i, not " + values.Length, name);
            return values;
        }

        // The core's value list: slot i for axis bit i.
        internal static T[] List<T>(IDictionary<Axis, T> values, out int mask)
        {
            var list = new T[NativeMotion.VEK_AXIS_COUNT];
            mask = 0;
            if (values == null) return list;
            foreach (KeyValuePair<Axis, T> v in values)
            {
                mask |= Bit(v.Key);
                list[Slot(v.Key)] = v.Value;
            }
            return list;
        }
    }

    // The core's controller: freed once nothing uses it any more, so that a call running on another thread never
    // meets a freed one. Close() and Dispose() only close it.
    sealed class CoreHandle : SafeHandle
    {
        internal CoreHandle(IntPtr controller) : base(IntPtr.Zero, true)
        {
            SetHandle(controller);
        }

        public override bool IsInvalid
        {
            get { return handle == IntPtr.Zero; }
        }

        protected override bool ReleaseHandle()
        {
            NativeMotion.vekm_free(handle);
            return true;
        }
    }

    /// <summary>The function WithHandle runs on the connection's handle; it returns the export's result.</summary>
    public delegate uint HandleCall(ref uint handle);

    /// <summary>One connection to a controller, through the motion core; any thread may use it. Time-outs are in
    /// milliseconds (60000 unless given; 0 starts a motion and returns). Failures throw VekException or one of its
    /// kinds, a cancelled wait OperationCanceledException (VekCanceledException), an argument out of range
    /// ArgumentException; their message is the core's.
    /// Dispose() stops the axes this controller set moving and has not seen end, then closes: .NET cannot tell a
    /// using block left by an exception from one left normally, so the controller takes the safe side. Close()
    /// closes without stopping anything.
    /// Every operation of the command set is a typed method too (Operations.g.cs, generated from the library's
    /// operation table): SetAxisMaxVelocity(Axis.X, 4000), GetAxisMaxVelocity(Axis.X), GetAllAxisPositions().
    /// Those that set axes moving or stop them are there only as Raw&lt;Name&gt;; Move, Jog, Home, FindLimit, Stop
    /// and Kill are their safe forms.</summary>
    public sealed partial class Controller : IDisposable
    {
        public const int DefaultTimeoutMs = NativeMotion.VEKM_DEFAULT_TIMEOUT_MS;
        const int AnswerSize = 256;  // the transports keep at most 255 characters

        readonly CoreHandle core;

        Controller(IntPtr controller)
        {
            core = new CoreHandle(controller);
        }

        /// <summary>Connects over TCP; the host may be a name ("localhost") or a dotted IPv4 address.</summary>
        public static Controller Tcp(string host, int port = 5001)
        {
            IntPtr controller;
            VekmError e;
            Errors.Check(NativeMotion.vekm_open_tcp(host, port, out controller, out e), e);
            return new Controller(controller);
        }

        /// <summary>Opens COM port com (1 to 32) at 9600, 19200, 38400, 57600 or 115200 baud.</summary>
        public static Controller Serial(int com, int baud = 115200)
        {
            IntPtr controller;
            VekmError e;
            Errors.Check(NativeMotion.vekm_open_serial(com, baud, out controller, out e), e);
            return new Controller(controller);
        }

        public bool IsOpen
        {
            get { return Use(c => NativeMotion.vekm_is_open(c)) != 0; }
        }

        public bool IsSerial
        {
            get { return Use(c => NativeMotion.vekm_is_serial(c)) != 0; }
        }

        /// <summary>The axes this controller set moving and has not seen end.</summary>
        public Axis[] Moving
        {
            get { return Axes.Of(Use(c => NativeMotion.vekm_moving(c))); }
        }

        /// <summary>Where the controller is: "127.0.0.1:5001", "COM3 (...) at 115200 baud".</summary>
        public override string ToString()
        {
            var text = new byte[AnswerSize];
            Use(c =>
            {
                NativeMotion.vekm_describe(c, text, text.Length);
                return 0;
            });
            return Text(text);
        }

        /// <summary>Stops the axes this controller set moving and has not seen end, then closes. A stop that fails
        /// here is not thrown: Dispose may run while an exception is on its way.</summary>
        public void Dispose()
        {
            Use(c =>
            {
                int moving = NativeMotion.vekm_moving(c);
                VekmError e;
                if (moving != 0) NativeMotion.vekm_stop(c, moving, out e);
                NativeMotion.vekm_close(c);
                return 0;
            });
        }

        /// <summary>Closes the connection without stopping anything; later calls throw ClosedException.</summary>
        public void Close()
        {
            Use(c =>
            {
                NativeMotion.vekm_close(c);
                return 0;
            });
        }

        // ---- motion ----

        /// <summary>Moves axes to absolute positions (steps) as one synchronised move and waits until every one is
        /// at rest at its target.</summary>
        public void Move(IDictionary<Axis, int> targets, int timeoutMs = DefaultTimeoutMs, bool keepMoving = false,
                         CancellationToken cancel = default(CancellationToken))
        {
            RunMove(targets, 0, timeoutMs, keepMoving, cancel);
        }

        /// <summary>The same with distances from where the axes are.</summary>
        public void MoveBy(IDictionary<Axis, int> distances, int timeoutMs = DefaultTimeoutMs, bool keepMoving = false,
                           CancellationToken cancel = default(CancellationToken))
        {
            RunMove(distances, NativeMotion.VEKM_RELATIVE, timeoutMs, keepMoving, cancel);
        }

        public void MoveAxis(Axis axis, int target, int timeoutMs = DefaultTimeoutMs, bool keepMoving = false,
                             CancellationToken cancel = default(CancellationToken))
        {
            int bit = Axes.Bit(axis);
            int options = Options(0, keepMoving);
            Run(cancel, (IntPtr c, out VekmError e) => NativeMotion.vekm_move_axis(c, bit, target, options, timeoutMs, out e));
        }

        /// <summary>Searches the home switch of an axis; there its position becomes value.</summary>
        public void Home(Axis axis, int timeoutMs = DefaultTimeoutMs, bool keepMoving = false,
                         CancellationToken cancel = default(CancellationToken), int value = 0)
        {
            int bit = Axes.Bit(axis);
            int options = Options(0, keepMoving);
            Run(cancel, (IntPtr c, out VekmError e) => NativeMotion.vekm_home(c, bit, value, options, timeoutMs, out e));
        }

        /// <summary>Runs an axis at velocity (steps/s; its sign gives the side) until it meets that side's limit
        /// switch, and stops it there.</summary>
        public void FindLimit(Axis axis, int velocity, int timeoutMs = DefaultTimeoutMs, bool keepMoving = false,
                              CancellationToken cancel = default(CancellationToken))
        {
            int bit = Axes.Bit(axis);
            int options = Options(0, keepMoving);
            Run(cancel, (IntPtr c, out VekmError e) => NativeMotion.vekm_find_limit(c, bit, velocity, options, timeoutMs, out e));
        }

        /// <summary>Starts an axis running at velocity (steps/s, signed) until it is stopped.</summary>
        public void Jog(Axis axis, double velocity)
        {
            Jog(new Dictionary<Axis, double> { { axis, velocity } });
        }

        /// <summary>Starts several axes running, each at its velocity (whole steps/s).</summary>
        public void Jog(IDictionary<Axis, double> velocities)
        {
            int mask;
            double[] list = Axes.List(velocities, out mask);
            Run(default(CancellationToken), (IntPtr c, out VekmError e) => NativeMotion.vekm_jog(c, mask, list, out e));
        }

        /// <summary>Decelerating stop of the given axes; with none, of every axis.</summary>
        public void Stop(params Axis[] axes)
        {
            int mask = AllIfNone(axes);
            Run(default(CancellationToken), (IntPtr c, out VekmError e) => NativeMotion.vekm_stop(c, mask, out e));
        }

        /// <summary>Abrupt stop of the given axes; with none, of every axis.</summary>
        public void Kill(params Axis[] axes)
        {
            int mask = AllIfNone(axes);
            Run(default(CancellationToken), (IntPtr c, out VekmError e) => NativeMotion.vekm_kill(c, mask, out e));
        }

        /// <summary>Waits until the given axes that this controller set moving have ended, as a move's wait does;
        /// with none, all of them.</summary>
        public void Wait(Axis[] axes = null, int timeoutMs = DefaultTimeoutMs, bool keepMoving = false,
                         CancellationToken cancel = default(CancellationToken))
        {
            int mask = Axes.Mask(axes);
            int options = Options(0, keepMoving);
            Run(cancel, (IntPtr c, out VekmError e) => NativeMotion.vekm_wait(c, mask, options, timeoutMs, out e));
        }

        /// <summary>Ends the waits running on this controller now, from any thread (those of every thread): their
        /// axes are stopped and they throw OperationCanceledException.</summary>
        public void Cancel()
        {
            Use(c =>
            {
                NativeMotion.vekm_cancel(c);
                return 0;
            });
        }

        /// <summary>A scope whose Dispose() stops what this controller set moving since it began, unless
        /// Complete() was called.</summary>
        public MotionScope Scope()
        {
            return new MotionScope(this);
        }

        // ---- the TimeSpan overloads of earlier versions ----

        public void Move(IDictionary<Axis, int> targets, TimeSpan timeout, OnTimeout onTimeout = OnTimeout.Stop,
                         CancellationToken cancel = default(CancellationToken))
        {
            Move(targets, Ms(timeout), onTimeout == OnTimeout.KeepMoving, cancel);
        }

        public void MoveBy(IDictionary<Axis, int> distances, TimeSpan timeout, OnTimeout onTimeout = OnTimeout.Stop,
                           CancellationToken cancel = default(CancellationToken))
        {
            MoveBy(distances, Ms(timeout), onTimeout == OnTimeout.KeepMoving, cancel);
        }

        public void MoveAxis(Axis axis, int target, TimeSpan timeout, OnTimeout onTimeout = OnTimeout.Stop,
                             CancellationToken cancel = default(CancellationToken))
        {
            MoveAxis(axis, target, Ms(timeout), onTimeout == OnTimeout.KeepMoving, cancel);
        }

        public void Home(Axis axis, TimeSpan timeout, OnTimeout onTimeout = OnTimeout.Stop,
                         CancellationToken cancel = default(CancellationToken))
        {
            Home(axis, Ms(timeout), onTimeout == OnTimeout.KeepMoving, cancel);
        }

        // ---- looking at the controller ----

        /// <summary>One look at every axis: state, motor and encoder positions, from one exchange.</summary>
        public AxisState[] Poll()
        {
            var states = new VekmAxisState[NativeMotion.VEK_AXIS_COUNT];
            uint word = 0;
            Run(default(CancellationToken), (IntPtr c, out VekmError e) => NativeMotion.vekm_poll(c, states, out word, out e));
            var all = new AxisState[states.Length];
            for (int i = 0; i < states.Length; ++i) all[i] = new AxisState(Axes.Of(1 << i)[0], states[i]);
            return all;
        }

        /// <summary>Motor and encoder positions of all ten axes.</summary>
        public IDictionary<Axis, AxisPosition> Positions()
        {
            var motor = new int[NativeMotion.VEK_AXIS_COUNT];
            var encoder = new int[NativeMotion.VEK_AXIS_COUNT];
            Run(default(CancellationToken), (IntPtr c, out VekmError e) => NativeMotion.vekm_positions(c, motor, encoder, out e));
            var all = new SortedDictionary<Axis, AxisPosition>();
            for (int i = 0; i < motor.Length; ++i)
                all[Axes.Of(1 << i)[0]] = new AxisPosition { Motor = motor[i], Encoder = encoder[i] };
            return all;
        }

        /// <summary>Motor position of one axis.</summary>
        public int Position(Axis axis)
        {
            int bit = Axes.Bit(axis);
            int value = 0;
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_GetAxisMotorPosition(c, bit, out value, out e));
            return value;
        }

        /// <summary>The transport's status word: done 0-9, limit 10-19, slip 20-29, command error 30.</summary>
        public uint StatusWord()
        {
            uint word = 0;
            Run(default(CancellationToken), (IntPtr c, out VekmError e) => NativeMotion.vekm_status_word(c, out word, out e));
            return word;
        }

        /// <summary>Turns slip detection on for the axes, with tolerance encoder counts (0 keeps the
        /// controller's).</summary>
        public void EnableSlipDetection(IEnumerable<Axis> axes, int tolerance = 0)
        {
            int mask = Axes.Mask(axes);
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_enable_slip_detection(c, mask, tolerance, out e));
        }

        /// <summary>Sends a raw command text ("AXLP0;").</summary>
        public void Send(string text)
        {
            CheckText(text);
            Run(default(CancellationToken), (IntPtr c, out VekmError e) => NativeMotion.vekm_send(c, text, out e));
        }

        /// <summary>Sends a raw query text ("AXRP;") and returns its answer (at most 255 characters).</summary>
        public string Query(string text)
        {
            CheckText(text);
            var answer = new byte[AnswerSize];
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_query(c, text, answer, answer.Length, out e));
            return Text(answer);
        }

        /// <summary>Runs call on the connection's handle under the controller's lock, with the connection ready,
        /// for any export of its transport (IsSerial tells which). Its result is treated as the core treats its
        /// own: a failure throws, a lost reply is recovered from before the next call.</summary>
        public void WithHandle(HandleCall call, string operation = "WithHandle")
        {
            if (call == null) throw new ArgumentNullException("call");
            Exception thrown = null;
            VekmHandleCall native = (ref uint handle, IntPtr context) =>
            {
                try
                {
                    return call(ref handle);
                }
                catch (Exception x)
                {
                    thrown = x;  // never across the native frames
                    return 0;
                }
            };
            Run(default(CancellationToken),
                (IntPtr c, out VekmError e) => NativeMotion.vekm_with_handle(c, operation, native, IntPtr.Zero, out e));
            GC.KeepAlive(native);
            if (thrown != null) throw thrown;
        }

        // ---- internals ----

        delegate uint CoreCall(IntPtr controller, out VekmError error);

        // Runs a call of the core on this controller and throws what it reports. A token that can be cancelled
        // reaches the core's waits through vekm_cancel(); one cancelled already stops the call before it sends.
        void Run(CancellationToken cancel, CoreCall call)
        {
            cancel.ThrowIfCancellationRequested();
            VekmError e = default(VekmError);
            uint code = Use(c =>
            {
                using (cancel.Register(() => NativeMotion.vekm_cancel(c)))
                    return call(c, out e);
            });
            Errors.Check(code, e, cancel);
        }

        // Keeps the core's controller from being freed while the call runs.
        T Use<T>(Func<IntPtr, T> call)
        {
            bool added = false;
            try
            {
                core.DangerousAddRef(ref added);
                return call(core.DangerousGetHandle());
            }
            finally
            {
                if (added) core.DangerousRelease();
            }
        }

        internal ulong Mark()
        {
            return Use(c => NativeMotion.vekm_mark(c));
        }

        internal void StopSince(ulong mark)
        {
            Use(c =>
            {
                int moving = NativeMotion.vekm_moving_since(c, mark, 0);
                VekmError e;
                if (moving != 0) NativeMotion.vekm_stop(c, moving, out e);
                return 0;
            });
        }

        void RunMove(IDictionary<Axis, int> values, int options, int timeoutMs, bool keepMoving,
                     CancellationToken cancel)
        {
            int mask;
            int[] list = Axes.List(values, out mask);
            options = Options(options, keepMoving);
            Run(cancel, (IntPtr c, out VekmError e) => NativeMotion.vekm_move(c, mask, list, options, timeoutMs, out e));
        }

        static int Options(int options, bool keepMoving)
        {
            return options | (keepMoving ? NativeMotion.VEKM_KEEP_MOVING : 0);
        }

        static int AllIfNone(Axis[] axes)
        {
            return axes == null || axes.Length == 0 ? NativeMotion.VEK_ALL_AXES : Axes.Mask(axes);
        }

        static int Ms(TimeSpan timeout)
        {
            double ms = Math.Ceiling(timeout.TotalMilliseconds);
            if (ms > int.MaxValue) throw new ArgumentOutOfRangeException("timeout", "longer than int.MaxValue ms");
            return (int)Math.Max(ms, -1);
        }

        // A C string ends at its first NUL: a text holding one would go out cut short.
        static void CheckText(string text)
        {
            if (text != null && text.IndexOf('\0') >= 0) throw new ArgumentException("a NUL in the text", "text");
        }

        static string Text(byte[] buffer)
        {
            int length = Array.IndexOf(buffer, (byte)0);
            return Encoding.ASCII.GetString(buffer, 0, length < 0 ? buffer.Length : length);
        }

        // A text the call filled with its length beside it; a length outside the buffer is cut to it.
        static string Text(byte[] buffer, int length)
        {
            return Encoding.ASCII.GetString(buffer, 0, Math.Max(0, Math.Min(length, buffer.Length)));
        }
    }

    /// <summary>The axes a controller sets moving inside a using block are stopped when the block is left
    /// without Complete(): that is, by an exception. Those set moving by any thread count (an await may go on on
    /// another thread).</summary>
    public sealed class MotionScope : IDisposable
    {
        readonly Controller controller;
        readonly ulong mark;
        bool completed;

        public MotionScope(Controller controller)
        {
            if (controller == null) throw new ArgumentNullException("controller");
            this.controller = controller;
            mark = controller.Mark();
        }

        /// <summary>The block reached its end: leave what it set moving alone.</summary>
        public void Complete()
        {
            completed = true;
        }

        /// <summary>Stops what was set moving since the scope began, unless Complete() was called. A stop that
        /// fails here is not thrown: Dispose may run while an exception is on its way.</summary>
        public void Dispose()
        {
            if (!completed) controller.StopSince(mark);
            completed = true;
        }
    }
}
