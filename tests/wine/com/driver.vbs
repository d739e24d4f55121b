' A late-bound script host's view of the component: CreateObject, the methods
' by name, Err for failures. Configure and Enable are left out: they show
' windows. Prints one line per check and the tally as the last line; a script
' error would end the script before that line.
Option Explicit
On Error Resume Next

Const kHostKey = "HKCU\Software\VB and VBA Program Settings\ScriptHost\Plugins\Tarvolk_DMX.out.dll\COM"
Dim passed, failed, driver, shell, result, channel, value, host, file
passed = 0
failed = 0

Sub Report(what, ok, detail)
  If ok Then
    passed = passed + 1
    WScript.Echo "ok   " & what
  Else
    failed = failed + 1
    WScript.Echo "FAIL " & what & ": " & detail
  End If
End Sub

' The call before succeeded and gave this value, of this type.
Sub ExpectResult(what, actual, expected)
  Dim errorNumber
  errorNumber = Err.Number
  Err.Clear
  Report what, errorNumber = 0 And VarType(actual) = VarType(expected) And actual = expected, _
    "error " & errorNumber & ", got " & TypeName(actual) & " " & actual & ", expected " & expected
End Sub

' The call before failed with this error number (and, when given, description).
Sub ExpectError(what, number, description)
  Dim ok
  ok = Err.Number = number
  If description <> "" Then
    ok = ok And Err.Description = description And Err.Source = "Tarvolk_DMX.clsOutputDriver"
  End If
  Report what, ok, "error " & Err.Number & " from " & Err.Source & ": " & Err.Description
  Err.Clear
End Sub

' German letters come from Chr on code page 1252 (the harness fixes the
' locale): Wine 8's VBScript has no ChrW.
Set shell = CreateObject("WScript.Shell")
Set driver = CreateObject("Tarvolk_DMX.clsOutputDriver")
ExpectResult "CreateObject", IsObject(driver), True

result = Empty : result = driver.PluginName()
ExpectResult "PluginName", result, "Tarvolk DMX Plugin"
result = Empty : result = driver.Disable()
ExpectResult "Disable", result, True

result = Empty : result = driver.SetChannel(0, 9)
ExpectResult "SetChannel(0, 9)", result, True
result = Empty : result = driver.SetChannel(513, 0)
ExpectResult "SetChannel(513, 0)", result, False
result = Empty : result = driver.SetChannel(600, 256)
ExpectResult "SetChannel(600, 256)", result, False
result = driver.SetChannel(-1, 0)
ExpectError "SetChannel(-1, 0)", 9, "Index au" & Chr(223) & "erhalb des g" & Chr(252) & "ltigen Bereichs"
result = driver.SetChannel(5, 256)
ExpectError "SetChannel(5, 256)", 6, Chr(220) & "berlauf"

' Variables go ByRef as VARIANT references, which a long* parameter refuses;
' in parentheses they go by value.
channel = 5
value = 200
result = driver.SetChannel(channel, value)
ExpectError "SetChannel(variable, variable) is a type mismatch", 13, ""
result = Empty : result = driver.SetChannel((channel), (value))
ExpectResult "SetChannel((variable), (variable))", result, True

' Init loads the stored port, Term writes it back; the stored value is
' replaced in between so that Term's write shows.
host = "ScriptHost"
file = "Tarvolk_DMX.out.dll"
shell.RegWrite kHostKey, "4", "REG_SZ"
result = Empty : result = driver.Init((host), (file))
ExpectResult "Init with a stored 4", result, False
shell.RegWrite kHostKey, "before Term", "REG_SZ"
result = Empty : result = driver.Term()
ExpectResult "Term", result, False
result = Empty : result = shell.RegRead(kHostKey)
ExpectResult "Term stored the loaded port", result, "4"

shell.RegWrite kHostKey, "abc", "REG_SZ"
result = driver.Init("ScriptHost", "Tarvolk_DMX.out.dll")
ExpectError "Init with a stored abc", 13, "Typen unvertr" & Chr(228) & "glich"
shell.RegWrite kHostKey, "256", "REG_SZ"
result = driver.Init("ScriptHost", "Tarvolk_DMX.out.dll")
ExpectError "Init with a stored 256", 6, Chr(220) & "berlauf"

result = driver.NoSuchMethod()
ExpectError "an unknown method", 438, ""

' A statement that fails under On Error Resume Next is skipped whole, check
' included: the count shows that none was skipped.
result = passed + failed
ExpectResult "every check ran", result, 16

WScript.Echo "vbscript: " & passed & " passed, " & failed & " failed"
WScript.Quit failed
