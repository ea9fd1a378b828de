// The C# face of the soak (soak.py): VekKestra.Controller driven by one command line at a time on standard input,
// one answer line for each on standard output; the same lines as drive_cpp.cpp:
//
//   open tcp HOST PORT | open serial COM | move TIMEOUT_MS A=N ... | slip A... | close | quit
//   -> "ok", or "error CLASS CODE NAME MESSAGE" (the message on one line)
using System;
using System.Collections.Generic;
using System.Linq;
using VekKestra;

static class Drive
{
    static Controller ctl;

    static readonly Dictionary<string, Action<string[]>> Commands = new Dictionary<string, Action<string[]>>
    {
        { "open", Open },
        { "move", Move },
        { "slip", w => Ctl().EnableSlipDetection(w[0].Select(AxisOf)) },
        { "close", w => Close() },
    };

    static Axis AxisOf(char letter)
    {
        return (Axis)Enum.Parse(typeof(Axis), letter.ToString());
    }

    static Controller Ctl()
    {
        if (ctl == null) throw new InvalidOperationException("not open");
        return ctl;
    }

    static void Close()
    {
        // Close, not Dispose: the soak looks at what the face left, so leaving may stop nothing.
        if (ctl != null) ctl.Close();
        ctl = null;
    }

    static void Open(string[] w)
    {
        Close();
        ctl = w[0] == "tcp" ? Controller.Tcp(w[1], int.Parse(w[2])) : Controller.Serial(int.Parse(w[1]));
    }

    static void Move(string[] w)
    {
        var targets = new Dictionary<Axis, int>();
        foreach (string word in w.Skip(1)) targets[AxisOf(word[0])] = int.Parse(word.Substring(2));
        Ctl().Move(targets, int.Parse(w[0]));
    }

    static string OneLine(string text)
    {
        return text.Replace('\r', '|').Replace('\n', '|');
    }

    static string Answer(string[] words)
    {
        try
        {
            Action<string[]> command;
            if (!Commands.TryGetValue(words[0], out command)) throw new ArgumentException("no command " + words[0]);
            command(words.Skip(1).ToArray());
            return "ok";
        }
        catch (VekException e)
        {
            return "error " + e.GetType().Name + " " + e.Code + " " + e.Name + " " + OneLine(e.Message);
        }
        catch (VekCanceledException e)
        {
            return "error " + e.GetType().Name + " " + e.Code + " VEKM_CANCELLED " + OneLine(e.Message);
        }
        catch (Exception e)
        {
            return "error " + e.GetType().Name + " 0 - " + OneLine(e.Message);
        }
    }

    static int Main()
    {
        string line;
        while ((line = Console.ReadLine()) != null)
        {
            string[] words = line.Split(new[] { ' ' }, StringSplitOptions.RemoveEmptyEntries);
            if (words.Length == 0 || words[0] == "quit") break;
            Console.Out.WriteLine(Answer(words));
            Console.Out.Flush();
        }
        return 0;
    }
}
