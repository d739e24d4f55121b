' A script host using the installed plug-in: creates it by its ProgID, Init
' (which loads the stored port), PluginName, Term (which stores the port).
' One line a call, "done" last: a script error ends the script before it.
Option Explicit
Dim driver
Set driver = CreateObject("Tarvolk_DMX.clsOutputDriver")
WScript.Echo "Init " & driver.Init("Tarvolk Installationstest", "Tarvolk_DMX.out.dll")
WScript.Echo "PluginName " & driver.PluginName
WScript.Echo "Term " & driver.Term
WScript.Echo "done"
