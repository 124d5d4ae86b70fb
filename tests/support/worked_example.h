// The worked example of the in-memory editor's rules: declarations, a
// procedure with a label, a Property Get/Let pair, a continued declaration
// and trailing comments. Shared by the editor's tests and the line cache's.
#pragma once

#include "host/text.h"

namespace qlx::testing {

inline const Text kWorkedExample = uR"(
Option Explicit
' module note
Private Declare PtrSafe Function GetTickCount Lib "kernel32" () As Long
Public Event Changed(ByVal v As Long)
Private Type TPoint
    X As Long
End Type

' Header comment for Foo
Public Sub Foo()
Start:
    Debug.Print "a"
End Sub

' about Value
Public Property Get Value() As Long
    Value = 1
End Property
Public Property Let Value(ByVal v As Long)
End Property

Private Function Bar(ByVal a As Long, _
                     ByVal b As Long) As Long
End Function

' trailing comment

)";

}  // namespace qlx::testing
