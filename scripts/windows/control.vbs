' Drives the registered control the way a script host does, through late binding, and prints
' what it answers for each file named on the command line, one line per file, numbered from 1.
'   cscript //nologo control.vbs FILE...
Option Explicit

Dim control, i, line
Set control = CreateObject("TevAnyFileSource.TevAnyFileSource")

control.KeepImageFileOpen = True
line = "KeepImageFileOpen True=" & control.KeepImageFileOpen
control.KeepImageFileOpen = 1
line = line & " 1=" & control.KeepImageFileOpen
control.KeepImageFileOpen = False
WScript.Echo line & " False=" & control.KeepImageFileOpen

For i = 0 To WScript.Arguments.Count - 1
    line = CStr(i + 1) & ": " & Describe(WScript.Arguments(i))
    WScript.Echo line
Next

' Past the last level: the component's error comes back as the script's error.
On Error Resume Next
control.Filename = WScript.Arguments(0)
Dim width
width = control.GetHorzResolution(5, 0)
WScript.Echo "GetHorzResolution(5, 0): 0x" & Hex(Err.Number) & " " & Err.Description
On Error GoTo 0

Function Describe(file)
    Dim text, levels, level
    control.Filename = file
    text = "Filename=" & (control.Filename = file) & " StatusOK=" & control.StatusOK
    If Not control.StatusOK Then
        Describe = text
        Exit Function
    End If
    control.Label = "label of " & file
    text = text & " Label=" & (control.Label = "label of " & file)
    text = text & " Size=" & control.GetWidth(0) & "x" & control.GetHeight(0)
    levels = control.GetNumResolutions(0)
    text = text & " Resolutions=" & levels
    For level = 0 To levels - 1
        text = text & " " & level & ":" & control.GetHorzResolution(0, level) & "x" & _
               control.GetVertResolution(0, level)
    Next
    Describe = text & " Orientation=" & Shown(control.GetMetaData("ImageContainer.Orientation"))
End Function

Function Shown(value)
    If IsEmpty(value) Then Shown = "not present" Else Shown = CStr(value)
End Function
