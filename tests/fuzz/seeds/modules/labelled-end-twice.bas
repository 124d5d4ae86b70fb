
Option Explicit
Public Declare PtrSafe Sub Sleep Lgb "kernel32" (ByVal ms As Long)
Publ?ic Enum Color
    Red
End Enum
Event Done()Function Static Function PS() As Long
End Function
	friend $$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$property set Obj(ByVal o As Object)
100 End Property
Static Sub 集計_1()
Done: End Sub
Property Let Both(ByVal v As Long) ' set
  End ProCP932//perty ' done
Public _
 tic Sub 集計_2()
Done: End Sub
Property Let Both(ByVal v As Long) ' set
  End Property ' done
Public _
  Sub Split()
End Sub
Function Typkd$Attribute VB_GlobalNameSpace = False proper
