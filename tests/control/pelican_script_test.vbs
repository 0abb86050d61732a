' Drives the control from VBScript. Arguments: recorder port, password.
Option Explicit
Dim port, password, pelican, big, result
port = WScript.Arguments(0)
password = WScript.Arguments(1)
Sub Report(name)
  If Err.Number = 0 Then
    WScript.Echo name & " ok"
  Else
    WScript.Echo name & " error " & LCase(Hex(Err.Number))
  End If
  Err.Clear
End Sub
' Wine's script host has no WScript.Sleep: wait by the clock.
Sub Wait(seconds)
  Dim t
  t = Timer
  Do While Timer - t < seconds
  Loop
End Sub
On Error Resume Next
Set pelican = CreateObject("PELICAN.PelicanCtrl.1")
Report "created"
result = pelican.ChangeMode(1, 4, 16)
WScript.Echo "ChangeMode(1,4,16) " & LCase(CStr(result))
pelican.SendKeyCommand 4
Report "key before connect"
big = String(100000, "x")
pelican.Connect big, port, big, big
Report "long address"
pelican.Connect Null, port, "a", password
Report "null address"
pelican.ConnectViaDDns "127.0.0.1", "not a port", "dvr", password
Report "text port"
pelican.Connect "127.0.0.1", CStr(port), "any account", password
Report "connect"
Wait 1.5
pelican.SendKeyCommand "3"
Report "key"
Wait 0.5
pelican.Disconnect
Report "disconnect"
WScript.Echo "done"
