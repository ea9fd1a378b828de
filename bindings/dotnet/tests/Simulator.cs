// A veksim process for the C# tests (environment VEKSIM): on a free TCP port, with its pty published as a COM
// port when one is given, stopped by its PID.
using System;
using System.Diagnostics;
using System.Runtime.InteropServices;
using System.Text.RegularExpressions;

sealed class Sim : IDisposable
{
    public static Sim Current;  // the last one started, for a harness that has to give up
    public readonly int Port;
    public int Served = -1;     // command texts served, known once stopped
    readonly Process process;

    [DllImport("libc")]
    static extern int kill(int pid, int signal);

    public Sim(string flags = "", int com = 0)
    {
        string args = "--port 0 " + flags + (com > 0 ? " --pty --publish-com " + com : "");
        var start = new ProcessStartInfo(Environment.GetEnvironmentVariable("VEKSIM"), args)
        {
            UseShellExecute = false,
            RedirectStandardOutput = true
        };
        process = Process.Start(start);
        Current = this;
        string published = "VEKKESTRA_COM" + com + "=";
        bool pty = com == 0;
        while (Port == 0 || !pty)
        {
            string line = process.StandardOutput.ReadLine();
            if (line == null) throw new Exception("veksim " + args + " ended before it was ready");
            Match m = Regex.Match(line, @"listening on 127\.0\.0\.1:(\d+)");
            if (m.Success) Port = int.Parse(m.Groups[1].Value);
            if (!line.StartsWith(published)) continue;
            Environment.SetEnvironmentVariable("VEKKESTRA_COM" + com, line.Substring(published.Length));
            pty = true;
        }
    }

    // SIGTERM: veksim closes its endpoints and prints how many command texts it served.
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
