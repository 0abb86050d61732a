// Drives the control from JScript as a page would, with good and hostile
// arguments. Arguments: recorder port, password. Prints one line per check.
var port = WScript.Arguments(0), password = WScript.Arguments(1);
// Wine's script host has no WScript.Sleep: wait by the clock.
function wait(ms) { var t = new Date().getTime(); while (new Date().getTime() - t < ms) {} }
function hr(e) { return (e.number >>> 0).toString(16); }
function attempt(name, f) {
  try { f(); WScript.Echo(name + " ok"); } catch (e) { WScript.Echo(name + " error " + hr(e)); }
}
var pelican = new ActiveXObject("PELICAN.PelicanCtrl.1");
WScript.Echo("created");
WScript.Echo("ChangeMode(1,4,16) " + pelican.ChangeMode(1, 4, 16));
WScript.Echo("ChangeMode(7,0,0) " + pelican.ChangeMode(7, 0, 0));
WScript.Echo("changemode by any case " + pelican.changemode(2, -1, -1));
attempt("ChangeMode strings", function () { pelican.ChangeMode("2", "4", "8"); });
attempt("ChangeMode too few", function () { pelican.ChangeMode(2); });
attempt("key before connect", function () { pelican.SendKeyCommand(3); });
var big = "";
for (var i = 0; i < 100000; i++) big += "9";
attempt("long address", function () { pelican.Connect(big, port, big, big); });
attempt("long ddns", function () { pelican.ConnectViaDDns(big, 1, big, big); });
attempt("null address", function () { pelican.Connect(null, port, "a", password); });
attempt("object port", function () { pelican.Connect("127.0.0.1", {}, "a", password); });
attempt("huge port", function () { pelican.Connect("127.0.0.1", 70000, "a", password); });
attempt("too few", function () { pelican.Connect("127.0.0.1"); });
attempt("key as string", function () { pelican.SendKeyCommand("7"); });
attempt("key too large", function () { pelican.SendKeyCommand(100000); });
// The real one: the port as a string, an account that means nothing.
attempt("connect", function () { pelican.Connect("127.0.0.1", "" + port, big, password); });
wait(1500);
attempt("key", function () { pelican.SendKeyCommand(2); });
wait(500);
attempt("disconnect", function () { pelican.Disconnect(); });
attempt("disconnect again", function () { pelican.Disconnect(); });
WScript.Echo("done");
