<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>MainWindow</name>
    <message>
        <source>X-ray absorption / Fluorescence simulation</source>
        <translation>X線吸収 / 蛍光 シミュレーション</translation>
    </message>
    <message>
        <source>Materials</source>
        <translation>物質</translation>
    </message>
    <message>
        <source>Compositions</source>
        <translation>組成</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>対象物質</translation>
    </message>
    <message>
        <source>Binder</source>
        <translation>希釈物質</translation>
    </message>
    <message>
        <source>Weights</source>
        <translation>重量</translation>
    </message>
    <message>
        <source>Target [mg]</source>
        <translation>対象物質 [mg]</translation>
    </message>
    <message>
        <source>Binder [mg]</source>
        <translation>希釈物質 [mg]</translation>
    </message>
    <message>
        <source>Total [mg]</source>
        <translation>合計 [mg]</translation>
    </message>
    <message>
        <source>Cyrinder Size</source>
        <translation>錠剤サイズ</translation>
    </message>
    <message>
        <source>Dia. [mm]</source>
        <translation>直径[mm]</translation>
    </message>
    <message>
        <source>Vol. [mm3]</source>
        <translation>体積[mm3]</translation>
    </message>
    <message>
        <source>THickness</source>
        <translation>厚さ</translation>
    </message>
    <message>
        <source>試料膜厚</source>
        <translation>試料膜厚</translation>
    </message>
    <message>
        <source>Target Ratio</source>
        <translation>対象物質の比</translation>
    </message>
    <message>
        <source>全重量(ターゲットとバインダ)に占めるターゲット重量の割合</source>
        <translation>全重量(ターゲットとバインダ)に占めるターゲット重量の割合</translation>
    </message>
    <message>
        <source>Density [g/cm3]</source>
        <translation>密度 [g/cm3]</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;Lucida Grande&apos;; font-size:13pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;BN : 3.487 g/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Air : 0.0013 g/cm-3&lt;br /&gt;Al : 2.7 g/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Be : 1.85 c/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;1.27 g/cm-3 --&amp;gt; thickness[cm] == [g] for 1cm cyl.&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;2.60 g/cm-3 --&amp;gt; thickness[cm] == [g] for 1cm cyl.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;Lucida Grande&apos;; font-size:13pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;BN : 3.487 g/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Air : 0.0013 g/cm-3&lt;br /&gt;Al : 2.7 g/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Be : 1.85 c/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;1.27 g/cm-3 --&amp;gt; thickness[cm] == [g] for 1cm cyl.&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;2.60 g/cm-3 --&amp;gt; thickness[cm] == [g] for 1cm cyl.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;Lucida Grande&apos;; font-size:13pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;BN : 2.34 g/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Air : 0.0013 g/cm-3&lt;br /&gt;Al : 2.7 g/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Be : 1.85 c/cm-3&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;Lucida Grande&apos;; font-size:13pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;BN : 2.34 g/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Air : 0.0013 g/cm-3&lt;br /&gt;Al : 2.7 g/cm-3&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;Be : 1.85 c/cm-3&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>mut Calculation</source>
        <translation>μt 計算</translation>
    </message>
    <message>
        <source>d-mut / mut</source>
        <translation>Δμt / μt</translation>
    </message>
    <message>
        <source>&quot;Center&quot;に指定したエネルギーの直前、直後での吸収係数の変化</source>
        <translation>&quot;Center&quot;に指定したエネルギーの直前、直後での吸収係数の変化</translation>
    </message>
    <message>
        <source>d-mu t </source>
        <translation>Δμt</translation>
    </message>
    <message>
        <source>指定した物質、膜厚、エネルギーで計算した吸収係数差</source>
        <translation>指定した物質、膜厚、エネルギーで計算した吸収係数差</translation>
    </message>
    <message>
        <source>目標とするΔμtの値を入力(一般的には1程度)</source>
        <translation>目標とするΔμtの値を入力(一般的には1程度)</translation>
    </message>
    <message>
        <source>&quot;Center&quot;に指定したエネルギー直後の線吸収係数。</source>
        <translation>&quot;Center&quot;に指定したエネルギー直後の線吸収係数。</translation>
    </message>
    <message>
        <source>   mu(+)t</source>
        <translation>   μ(+)t</translation>
    </message>
    <message>
        <source>指定した物質と膜厚エネルギーで計算される吸収係数</source>
        <translation>指定した物質と膜厚エネルギーで計算される吸収係数</translation>
    </message>
    <message>
        <source>目標とするμtの値(一般的には3〜4程度)</source>
        <translation>目標とするμtの値(一般的には3〜4程度)</translation>
    </message>
    <message>
        <source>   Trans.</source>
        <translation>   透過率</translation>
    </message>
    <message>
        <source>Calc. Point</source>
        <translation>吸収計算点</translation>
    </message>
    <message>
        <source>    Calc. Point [keV]</source>
        <translation>    吸収計算点 [keV]</translation>
    </message>
    <message>
        <source>   Element</source>
        <translation>元素</translation>
    </message>
    <message>
        <source>   Abs. Edge</source>
        <translation>吸収端</translation>
    </message>
    <message>
        <source>Line rates in photons/s reaching the detector (primary fluorescence, normal incidence and exit, lines inside the plotted range). With Ratio: the strongest rate, then each line in percent of it.</source>
        <translation>検出器に届く各線の強度 [photons/s]（一次蛍光、垂直入射・垂直出射、表示範囲内の線）。Ratio では最大強度と、それに対する各線の百分率。</translation>
    </message>
    <message>
        <source>Thin sample: mu(+)t at the calculation point is 0.1 or less, so self-absorption is negligible.</source>
        <translation>薄い試料: 吸収計算点の μ(+)t が 0.1 以下なら自己吸収は無視できます。</translation>
    </message>
    <message>
        <source>Thick and dilute sample: mu(+)t at the calculation point is 2 or more and d-mu t / mu(+)t is 10 % or less.</source>
        <translation>厚く希薄な試料: 吸収計算点の μ(+)t が 2 以上で、Δμt / μ(+)t が 10 % 以下。</translation>
    </message>
    <message>
        <source>Fluorescence Calculation</source>
        <translation>蛍光スペクトル</translation>
    </message>
    <message>
        <source>Exp. Conditions</source>
        <translation>測定条件</translation>
    </message>
    <message>
        <source>   Ext.Eng.[keV]</source>
        <translation>励起E[keV]</translation>
    </message>
    <message>
        <source>  Distance[cm]</source>
        <translation>   距離[cm]</translation>
    </message>
    <message>
        <source>  Det. Rad.[cm]</source>
        <translation>   検出器半径[cm]</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Normally 0.5.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;通常0.5[cm]&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Env. / Filters</source>
        <translation>環境/フィルタ</translation>
    </message>
    <message>
        <source>Composition</source>
        <translation>組成</translation>
    </message>
    <message>
        <source>Thick. [mm]</source>
        <translation>厚さ [mm]</translation>
    </message>
    <message>
        <source>Dens.[g/cm3]</source>
        <translation>密度[g/cm3]</translation>
    </message>
    <message>
        <source>Air</source>
        <translation>空気</translation>
    </message>
    <message>
        <source>Filter 1</source>
        <translation>フィルタ 1</translation>
    </message>
    <message>
        <source>Filter 2</source>
        <translation>フィルタ 2</translation>
    </message>
    <message>
        <source>Conditions on Numerical Calculation</source>
        <translation>絶対値計算の為の条件</translation>
    </message>
    <message>
        <source>I0[photons/sec]</source>
        <translation>I0強度[光子/秒]</translation>
    </message>
    <message>
        <source>1e10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MCA Ch[keV]</source>
        <translation>MCA Ch [keV]</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;It should be usually set at 0.01.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;通常 0.01[keV]&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Det. Res.(FWHM)[keV]</source>
        <translation>検出器分解能(FWHM) [keV]</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;It should be usually set at about 0.3.&lt;/p&gt;&lt;p&gt;&lt;br/&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;通常 0.3[keV]程度&lt;/p&gt;&lt;p&gt;&lt;br/&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Int.</source>
        <translation>強度</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Peak intensity in the display roughly shows actual integrated intensity.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>グラフのピーク強度が実際に観測される積分強度に大まかに対応します。</translation>
    </message>
    <message>
        <source>Peak</source>
        <translation>ピーク</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Integrated intensity in a region on the display is corresponded to the correct integrated intensity.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;グラフの上での積分強度が実際の積分強度に対応します。&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Integ.</source>
        <translation>積分</translation>
    </message>
    <message>
        <source>Calculated Spectra</source>
        <translation>計算スペクトル</translation>
    </message>
    <message>
        <source>Es</source>
        <translation>始点</translation>
    </message>
    <message>
        <source>  Ee</source>
        <translation>終点</translation>
    </message>
    <message>
        <source>[keV]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Spectrum</source>
        <translation>スペクトル保存</translation>
    </message>
    <message>
        <source>Fluo. Int. : %1 photons/s (at %2 [keV])</source>
        <translation>蛍光強度 : %1 photons/s (at %2 [keV])</translation>
    </message>
    <message>
        <source>Fluo. Int. : %1 photons/s per channel (at %2 [keV])</source>
        <translation>蛍光強度 : %1 photons/s/チャンネル (at %2 [keV])</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>not OK</source>
        <translation>不適</translation>
    </message>
    <message>
        <source>the energy range is empty</source>
        <translation>エネルギー範囲が空です</translation>
    </message>
    <message>
        <source>Saved spectrum to %1</source>
        <translation>スペクトルを %1 に保存しました</translation>
    </message>
    <message>
        <source>Spectrum not saved to %1: %2</source>
        <translation>スペクトルを %1 に保存できませんでした: %2</translation>
    </message>
    <message>
        <source>The binder does not absorb at the calculation point: mu t cannot be set by the binder weight.</source>
        <translation>希釈物質は吸収計算点で吸収しません: 希釈物質の重量では μt を設定できません。</translation>
    </message>
    <message>
        <source>mu t cannot be set by the binder weight: the pellet values give no finite binder amount.</source>
        <translation>希釈物質の重量では μt を設定できません: 錠剤の値から有限の希釈物質量が得られません。</translation>
    </message>
</context>
</TS>
