/* Checks a table's index files with Harbour's own drivers, as an application would see them.

   idxcheck <DBFNTX|DBFCDX> <codepage> <folder for scratch files> <table.dbf> [<index file> ...]

   DBFCDX opens the structural .cdx by itself; further index files are named after the table.
   Per order (NTX file or CDX tag) it checks:
   - every key stored equals the key expression evaluated on its record;
   - the keys come in order (ascending or descending; UNIQUE: no key twice);
   - the number of keys equals the records the FOR condition takes (UNIQUE: distinct keys);
   - a seek of each such record's key finds it (UNIQUE: finds the first record with that key);
   - the record sequence equals the one of an index Harbour builds itself on a copy of the
     table with the same key, FOR condition, UNIQUE and DESCENDING.
   Prints PASS or FAIL per order with the first difference; exit status 1 if any order failed. */

#include "dbinfo.ch"

REQUEST DBFNTX, DBFCDX, DBFFPT
/* the functions index keys and FOR conditions use, for the macro compiler */
REQUEST Upper, Lower, Str, StrZero, DToS, DToC, CToD, SubStr, Left, Right, Trim, RTrim, LTrim
REQUEST AllTrim, PadL, PadR, Val, Descend, RecNo, Deleted, Empty, Year, Month, Day
REQUEST HB_CODEPAGE_DEWIN, HB_CODEPAGE_DE850

STATIC s_nFail := 0

PROCEDURE Main( cRdd, cCp, cScratch, cTable, ... )
   LOCAL aIdx := { ... }, cIdx, nOrd, nOrders, cAlias, cDir, cName, cExt, cRefTable, aDefs := {}, aRefs := {}
   LOCAL cMemo, cSrcMemo

   IF Empty( cTable )
      OutErr( "idxcheck <DBFNTX|DBFCDX> <codepage> <scratch folder> <table.dbf> [index ...]" + hb_eol() )
      ErrorLevel( 2 )
      RETURN
   ENDIF
   cRdd := Upper( cRdd )
   hb_cdpSelect( cCp )
   Set( _SET_DELETED, .F. )
   Set( _SET_EXACT, .F. )
   Set( _SET_SOFTSEEK, .F. )
   Set( _SET_DATEFORMAT, "yyyy-mm-dd" )

   hb_FNameSplit( cTable, @cDir, @cName, @cExt )
   cAlias := Upper( cName )

   /* the orders as the application opens them */
   dbUseArea( .T., cRdd, cTable, cAlias, .F., .T., cCp )
   FOR EACH cIdx IN aIdx
      ordListAdd( cIdx )
   NEXT
   nOrders := dbOrderInfo( DBOI_ORDERCOUNT )
   ? "table", cTable, "records", LastRec(), "orders", nOrders, "rdd", cRdd, "codepage", cCp, ""
   FOR nOrd := 1 TO nOrders
      AAdd( aDefs, { ordKey( nOrd ), ordFor( nOrd ), ordIsUnique( nOrd ), ordDescend( nOrd ), ;
         hb_FNameNameExt( ordBagName( nOrd ) ) + " tag " + ordName( nOrd ), ;
         dbOrderInfo( DBOI_KEYSIZE, , nOrd ), dbOrderInfo( DBOI_KEYTYPE, , nOrd ) } )
   NEXT
   dbCloseArea()

   /* Harbour's own index of each definition, on a copy of the table (and its memo file) opened
      under the same alias without its index files: the record sequence each order should have */
   hb_DirBuild( cScratch )
   cRefTable := hb_DirSepAdd( cScratch ) + cName + ".dbf"
   hb_vfCopyFile( cTable, cRefTable )
   FOR EACH cMemo IN { ".fpt", ".dbt", ".FPT", ".DBT" }
      cSrcMemo := hb_FNameMerge( cDir, cName, cMemo )
      IF hb_FileExists( cSrcMemo )
         hb_vfCopyFile( cSrcMemo, hb_DirSepAdd( cScratch ) + cName + Lower( cMemo ) )
      ENDIF
   NEXT
   Set( _SET_AUTOPEN, .F. )
   dbUseArea( .T., cRdd, cRefTable, cAlias, .F., .F., cCp )
   Set( _SET_AUTOPEN, .T. )
   FOR nOrd := 1 TO nOrders
      AAdd( aRefs, RefSequence( aDefs[ nOrd ], nOrd, cScratch, cRdd ) )
   NEXT
   dbCloseArea()

   dbUseArea( .T., cRdd, cTable, cAlias, .F., .T., cCp )
   FOR EACH cIdx IN aIdx
      ordListAdd( cIdx )
   NEXT
   FOR nOrd := 1 TO nOrders
      CheckOrder( aDefs[ nOrd ], nOrd, aRefs[ nOrd ] )
   NEXT
   dbCloseAll()
   ? iif( s_nFail == 0, "ALL PASS", "FAILED ORDERS: " + hb_ntos( s_nFail ) )
   ?
   ErrorLevel( iif( s_nFail == 0, 0, 1 ) )
   RETURN

STATIC FUNCTION RefSequence( aDef, nOrd, cScratch, cRdd )
   LOCAL cKey := aDef[ 1 ], cFor := aDef[ 2 ], aRecs := {}
   LOCAL cBag := hb_DirSepAdd( cScratch ) + "ref" + hb_ntos( nOrd ) + iif( cRdd == "DBFCDX", ".cdx", ".ntx" )

   FErase( cBag )
   ordCondSet( iif( Empty( cFor ), NIL, cFor ), iif( Empty( cFor ), NIL, hb_macroBlock( cFor ) ), .T., ;
      NIL, NIL, NIL, RecNo(), NIL, NIL, NIL, aDef[ 4 ] )
   ordCreate( cBag, "R" + hb_ntos( nOrd ), cKey, hb_macroBlock( cKey ), aDef[ 3 ] )
   dbGoTop()
   DO WHILE ! Eof()
      AAdd( aRecs, RecNo() )
      dbSkip()
   ENDDO
   ordListClear()
   RETURN aRecs

STATIC PROCEDURE CheckOrder( aDef, nOrd, aRefs )
   LOCAL cKey := aDef[ 1 ], cFor := aDef[ 2 ], lUnique := aDef[ 3 ], lDesc := aDef[ 4 ]
   LOCAL cWhere := aDef[ 5 ], nLen := aDef[ 6 ], bExpr := hb_macroBlock( cKey ), bKey, bFor, aErr := {}
   LOCAL nRec, xKey, xPrev, nPrevRec, nKeys := 0, aOurs := {}, i, nTaken := 0
   LOCAL hFirst := { => }, hRun := { => }, aRun, cK, nSeen, nFound

   ? "order", cWhere, "key", cKey, iif( Empty( cFor ), "", "for " + cFor ), ;
     iif( lUnique, "UNIQUE", "" ), iif( lDesc, "DESCENDING", "" ), "type", aDef[ 7 ], "length", nLen
   bKey := {| x | x := Eval( bExpr ), iif( ValType( x ) == "C", PadR( x, nLen ), x ) }
   bFor := iif( Empty( cFor ), {|| .T. }, hb_macroBlock( cFor ) )

   /* what the records say: which records the FOR takes, and for UNIQUE the first of each key */
   ordSetFocus( 0 )
   dbGoTop()
   DO WHILE ! Eof()
      IF Eval( bFor )
         ++nTaken
         cK := KeyText( Eval( bKey ) )
         IF ! cK $ hFirst
            hFirst[ cK ] := RecNo()
         ENDIF
      ENDIF
      dbSkip()
   ENDDO
   IF lUnique
      nTaken := Len( hFirst )
   ENDIF

   /* walk the order: stored key against the expression, order of the keys */
   ordSetFocus( nOrd )
   dbGoTop()
   DO WHILE ! Eof()
      ++nKeys
      nRec := RecNo()
      AAdd( aOurs, nRec )
      xKey := Eval( bKey )
      IF ! ordKeyVal() == xKey .AND. Len( aErr ) < 5
         AAdd( aErr, "key " + hb_ntos( nKeys ) + " (record " + hb_ntos( nRec ) + ") stored as " + ;
            Show( ordKeyVal() ) + ", its record gives " + Show( xKey ) )
      ENDIF
      IF ! Eval( bFor ) .AND. Len( aErr ) < 5
         AAdd( aErr, "record " + hb_ntos( nRec ) + " is in the order but its FOR condition is false" )
      ENDIF
      IF nKeys > 1 .AND. Len( aErr ) < 5
         IF iif( lDesc, xKey > xPrev, xKey < xPrev ) .OR. ( lUnique .AND. xKey == xPrev )
            AAdd( aErr, "key " + hb_ntos( nKeys ) + " out of order: record " + hb_ntos( nRec ) + ;
               " " + Show( xKey ) + " follows record " + hb_ntos( nPrevRec ) + " " + Show( xPrev ) )
         ENDIF
      ENDIF
      cK := KeyText( xKey )
      IF ! cK $ hRun
         hRun[ cK ] := { => }
      ENDIF
      hRun[ cK ][ nRec ] := .T.
      xPrev := xKey
      nPrevRec := nRec
      dbSkip()
   ENDDO
   IF nKeys != nTaken
      AAdd( aErr, "walk finds " + hb_ntos( nKeys ) + " keys, the FOR takes " + hb_ntos( nTaken ) + ;
         iif( lUnique, " distinct keys", " records" ) )
   ENDIF
   IF ordKeyCount() != nKeys
      AAdd( aErr, "ordKeyCount() says " + hb_ntos( ordKeyCount() ) + ", the walk finds " + hb_ntos( nKeys ) )
   ENDIF

   /* a seek of each taken record's key finds that record (UNIQUE: the first with that key) */
   nSeen := 0
   ordSetFocus( 0 )
   dbGoTop()
   DO WHILE ! Eof() .AND. Len( aErr ) < 10
      nRec := RecNo()
      IF Eval( bFor )
         xKey := Eval( bKey )
         cK := KeyText( xKey )
         IF ! lUnique .OR. hFirst[ cK ] == nRec
            ++nSeen
            ordSetFocus( nOrd )
            nFound := iif( dbSeek( xKey, .F. ), RecNo(), 0 )
            IF nFound == 0
               AAdd( aErr, "seek of record " + hb_ntos( nRec ) + "'s key " + Show( xKey ) + " finds nothing" )
            ELSEIF ! ordKeyVal() == xKey
               AAdd( aErr, "seek of record " + hb_ntos( nRec ) + "'s key " + Show( xKey ) + ;
                  " stops at record " + hb_ntos( nFound ) + " with key " + Show( ordKeyVal() ) )
            ELSE
               aRun := iif( cK $ hRun, hRun[ cK ], { => } )
               IF ! nFound $ aRun .OR. ! nRec $ aRun
                  AAdd( aErr, "seek of record " + hb_ntos( nRec ) + "'s key " + Show( xKey ) + ;
                     " finds record " + hb_ntos( nFound ) + ", but the order has not got record " + hb_ntos( nRec ) + " under that key" )
               ELSE
                  dbSkip( -1 )
                  IF ! Bof() .AND. KeyText( ordKeyVal() ) == cK
                     AAdd( aErr, "seek of record " + hb_ntos( nRec ) + "'s key " + Show( xKey ) + ;
                        " does not stop at the first key of that value (record " + hb_ntos( nFound ) + ")" )
                  ENDIF
               ENDIF
            ENDIF
            ordSetFocus( 0 )
            dbGoto( nRec )
         ENDIF
      ENDIF
      dbSkip()
   ENDDO

   FOR i := 1 TO Max( Len( aOurs ), Len( aRefs ) )
      IF i > Len( aOurs ) .OR. i > Len( aRefs ) .OR. aOurs[ i ] != aRefs[ i ]
         AAdd( aErr, "sequence differs from Harbour's own index at key " + hb_ntos( i ) + ": the file has " + ;
            RecAt( aOurs, i, bKey ) + ", Harbour's index has " + RecAt( aRefs, i, bKey ) + ;
            " (lengths " + hb_ntos( Len( aOurs ) ) + " / " + hb_ntos( Len( aRefs ) ) + ")" )
         EXIT
      ENDIF
   NEXT

   IF Empty( aErr )
      ? "PASS", cWhere, hb_ntos( nKeys ) + " keys,", hb_ntos( nSeen ) + " seeks"
   ELSE
      ++s_nFail
      ? "FAIL", cWhere
      AEval( aErr, {| c | QOut( "     " + c ) } )
   ENDIF
   RETURN

STATIC FUNCTION RecAt( aRecs, i, bKey )
   LOCAL cOut, nOld := RecNo()
   IF i > Len( aRecs )
      RETURN "no more keys"
   ENDIF
   dbGoto( aRecs[ i ] )
   cOut := "record " + hb_ntos( aRecs[ i ] ) + " " + Show( Eval( bKey ) ) + iif( Deleted(), " (deleted)", "" )
   dbGoto( nOld )
   RETURN cOut

/* a key value as text, to collect keys in a hash */
STATIC FUNCTION KeyText( x )
   SWITCH ValType( x )
   CASE "C"
      RETURN "C" + x
   CASE "N"
      RETURN "N" + hb_ntos( x )
   CASE "D"
      RETURN "D" + DToS( x )
   CASE "L"
      RETURN iif( x, "LT", "LF" )
   ENDSWITCH
   RETURN "?" + Show( x )

/* a value for the report: text in quotes, bytes beyond ASCII as \xHH; numbers with 13 decimals */
STATIC FUNCTION Show( x )
   LOCAL cOut := "", c
   IF ValType( x ) == "N"   /* enough digits to tell two doubles apart that print alike */
      cOut := LTrim( Str( x, 30, 13 ) )
      DO WHILE Right( cOut, 1 ) == "0" .AND. "." $ cOut
         cOut := hb_StrShrink( cOut )
      ENDDO
      RETURN iif( Right( cOut, 1 ) == ".", hb_StrShrink( cOut ), cOut )
   ELSEIF ValType( x ) != "C"
      RETURN hb_ValToExp( x )
   ENDIF
   FOR EACH c IN x
      cOut += iif( Asc( c ) < 32 .OR. Asc( c ) > 126, "\x" + hb_NumToHex( Asc( c ), 2 ), c )
   NEXT
   RETURN '"' + cOut + '"'
