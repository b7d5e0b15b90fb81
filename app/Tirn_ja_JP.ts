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
        <source>Cylinder Size</source>
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
        <source>Thickness</source>
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
        <source>Detector</source>
        <translation>検出器</translation>
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
        <source>Det. Res.(FWHM)[keV]</source>
        <translation>検出器分解能(FWHM) [keV]</translation>
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
        <source>Excitation energy set to %1 keV (Shift + move over the plot)</source>
        <translation>励起エネルギーを %1 keV にしました (Shift を押してプロット上を移動)</translation>
    </message>
    <message>
        <source>Excitation %1 keV</source>
        <translation>励起 %1 keV</translation>
    </message>
    <message>
        <source>Fluo. Int. : %1 photons/s (at %2 [keV])</source>
        <translation>蛍光強度 : %1 光子/秒 (%2 [keV] にて)</translation>
    </message>
    <message>
        <source>Fluo. Int. : %1 photons/s per channel (at %2 [keV])</source>
        <translation>蛍光強度 : %1 光子/秒/チャンネル (%2 [keV] にて)</translation>
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
        <source>correct the flagged field first: %1</source>
        <translation>先に枠が赤い欄を直してください: %1</translation>
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
    <message>
        <source>Density of the target as pressed. For reference: hexagonal BN 2.1 to 2.3 (the binder default, 2.34), cubic BN 3.49, Al 2.70, Be 1.85, air 0.0012 (20 °C). At 1.27 g/cm3 a 10 mm pellet weighs as many grams as it is centimetres thick; at 2.60 g/cm3 a 7 mm one does.</source>
        <translation>押し固めた対象物質の密度。参考値: 六方晶 BN 2.1〜2.3 (希釈物質の既定値 2.34)、立方晶 BN 3.49、Al 2.70、Be 1.85、空気 0.0012 (20 °C)。1.27 g/cm3 では直径 10 mm の錠剤の重さ [g] が厚さ [cm] と同じ数になり、2.60 g/cm3 では直径 7 mm の錠剤がそうなります。</translation>
    </message>
    <message>
        <source>Density of the binder as pressed. For reference: hexagonal BN 2.1 to 2.3 (the default, 2.34), cellulose 1.5, polyethylene 0.92 to 0.97, cubic BN 3.49.</source>
        <translation>押し固めた希釈物質の密度。参考値: 六方晶 BN 2.1〜2.3 (既定値 2.34)、セルロース 1.5、ポリエチレン 0.92〜0.97、立方晶 BN 3.49。</translation>
    </message>
    <message>
        <source>Radius of the detector's active area: 0.5 cm is about 80 mm2</source>
        <translation>検出器の有感領域の半径: 0.5 cm で約 80 mm2</translation>
    </message>
    <message>
        <source>Width of one channel of the multichannel analyser; 0.01 keV is usual</source>
        <translation>マルチチャンネルアナライザの 1 チャンネルの幅。通常は 0.01 keV</translation>
    </message>
    <message>
        <source>Energy resolution (FWHM) of the detector at Mn Kα (5.9 keV): typically 0.12 to 0.15 keV for a silicon drift detector</source>
        <translation>Mn Kα (5.9 keV) での検出器のエネルギー分解能 (半値全幅): シリコンドリフト検出器では通常 0.12〜0.15 keV</translation>
    </message>
    <message>
        <source>Sample thickness</source>
        <translation>試料膜厚</translation>
    </message>
    <message>
        <source>Share of the target in the total weight (target and binder)</source>
        <translation>全重量(ターゲットとバインダ)に占めるターゲット重量の割合</translation>
    </message>
    <message>
        <source>Change of the absorption from just below to just above the calculation point</source>
        <translation>"Center"に指定したエネルギーの直前、直後での吸収係数の変化</translation>
    </message>
    <message>
        <source>Absorption step computed for the given materials, thickness and energy</source>
        <translation>指定した物質、膜厚、エネルギーで計算した吸収係数差</translation>
    </message>
    <message>
        <source>Enter the wanted d-mu t (typically about 1)</source>
        <translation>目標とするΔμtの値を入力(一般的には1程度)</translation>
    </message>
    <message>
        <source>mu t just above the calculation point.</source>
        <translation>"Center"に指定したエネルギー直後の線吸収係数。</translation>
    </message>
    <message>
        <source>Absorption computed for the given materials, thickness and energy</source>
        <translation>指定した物質と膜厚エネルギーで計算される吸収係数</translation>
    </message>
    <message>
        <source>Enter the wanted mu t (typically 3 to 4)</source>
        <translation>目標とするμtの値(一般的には3〜4程度)</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>開く(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>終了(&amp;Q)</translation>
    </message>
    <message>
        <source>Check mu/mut for F-XAFS</source>
        <translation>蛍光XAFS用 μ/μt の確認</translation>
    </message>
    <message>
        <source>Case:</source>
        <translation>条件:</translation>
    </message>
    <message>
        <source>Thin</source>
        <translation>薄い試料</translation>
    </message>
    <message>
        <source>Thick and Dilute</source>
        <translation>厚く希薄な試料</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>比率</translation>
    </message>
    <message>
        <source>Case: thin</source>
        <translation>条件: 薄い試料</translation>
    </message>
    <message>
        <source>Case: thick and dilute</source>
        <translation>条件: 厚く希薄な試料</translation>
    </message>
    <message>
        <source>Case: neither</source>
        <translation>条件: どちらでもない</translation>
    </message>
    <message>
        <source>Target Ratio [Mol%]</source>
        <translation>対象物質の比 [Mol%]</translation>
    </message>
    <message>
        <source>Target Ratio [Wt%]</source>
        <translation>対象物質の比 [Wt%]</translation>
    </message>
    <message>
        <source>Target density [g/cm3]</source>
        <translation>対象物質の密度 [g/cm3]</translation>
    </message>
    <message>
        <source>Binder density [g/cm3]</source>
        <translation>希釈物質の密度 [g/cm3]</translation>
    </message>
    <message>
        <source>Thickness [mm]</source>
        <translation>厚さ [mm]</translation>
    </message>
    <message>
        <source>Calc. Point [keV]</source>
        <translation>吸収計算点 [keV]</translation>
    </message>
    <message>
        <source>Wanted d-mu t</source>
        <translation>目標 Δμt</translation>
    </message>
    <message>
        <source>Wanted mu(+)t</source>
        <translation>目標 μ(+)t</translation>
    </message>
    <message>
        <source>Es [keV]</source>
        <translation>始点 [keV]</translation>
    </message>
    <message>
        <source>Ee [keV]</source>
        <translation>終点 [keV]</translation>
    </message>
    <message>
        <source>Filter 1 composition</source>
        <translation>フィルタ 1 の組成</translation>
    </message>
    <message>
        <source>Filter 2 composition</source>
        <translation>フィルタ 2 の組成</translation>
    </message>
    <message>
        <source>Filter 1 thickness [mm]</source>
        <translation>フィルタ 1 の厚さ [mm]</translation>
    </message>
    <message>
        <source>Filter 2 thickness [mm]</source>
        <translation>フィルタ 2 の厚さ [mm]</translation>
    </message>
    <message>
        <source>Filter 1 density [g/cm3]</source>
        <translation>フィルタ 1 の密度 [g/cm3]</translation>
    </message>
    <message>
        <source>Filter 2 density [g/cm3]</source>
        <translation>フィルタ 2 の密度 [g/cm3]</translation>
    </message>
    <message>
        <source>Ext.Eng.[keV]</source>
        <translation>励起E[keV]</translation>
    </message>
    <message>
        <source>Distance[cm]</source>
        <translation>距離[cm]</translation>
    </message>
    <message>
        <source>Air thickness [mm]</source>
        <translation>空気の厚さ [mm]</translation>
    </message>
    <message>
        <source>Det. Rad.[cm]</source>
        <translation>検出器半径[cm]</translation>
    </message>
    <message>
        <source>%1: a number is needed</source>
        <translation>%1: 数値を入力してください</translation>
    </message>
    <message>
        <source>%1: '%2' is not a number</source>
        <translation>%1: '%2' は数値ではありません</translation>
    </message>
    <message>
        <source>%1: must be greater than 0, not %2</source>
        <translation>%1: 0 より大きい値が必要です（入力値 %2）</translation>
    </message>
    <message>
        <source>%1: must not be negative, not %2</source>
        <translation>%1: 負の値は使えません（入力値 %2）</translation>
    </message>
    <message>
        <source>%1: must lie between 0 and 100, not %2</source>
        <translation>%1: 0 から 100 の間の値が必要です（入力値 %2）</translation>
    </message>
    <message>
        <source>%1: must lie above the range start, not %2</source>
        <translation>%1: 始点より大きい値が必要です（入力値 %2）</translation>
    </message>
    <message>
        <source>amounts too large to compute with</source>
        <translation>量が大きすぎて計算できません</translation>
    </message>
    <message>
        <source>%1: must be at least %2, not %3</source>
        <translation>%1: %2 以上の値が必要です（入力値 %3）</translation>
    </message>
    <message>
        <source>%1: must be at most %2, not %3</source>
        <translation>%1: %2 以下の値が必要です（入力値 %3）</translation>
    </message>
    <message>
        <source>Some results cannot be computed from these values and are left empty.</source>
        <translation>この入力値では計算できない結果があるため、空欄にしています。</translation>
    </message>
    <message>
        <source>the spectrum cannot be computed from these values (it holds numbers that are not finite)</source>
        <translation>この入力値ではスペクトルを計算できません（有限でない数値を含みます）</translation>
    </message>
    <message>
        <source>unknown element symbol: %1</source>
        <translation>未知の元素記号: %1</translation>
    </message>
    <message>
        <source>the composition is not used until it is corrected</source>
        <translation>修正されるまでこの組成は使いません</translation>
    </message>
    <message>
        <source>characters ignored: %1</source>
        <translation>無視した文字: %1</translation>
    </message>
    <message>
        <source>the number %1 is ignored</source>
        <translation>数 %1 は無視されます</translation>
    </message>
    <message>
        <source>the numbers %1 are ignored</source>
        <translation>数 %1 は無視されます</translation>
    </message>
    <message>
        <source>%1 before %2</source>
        <translation>%1（%2 の前）</translation>
    </message>
    <message>
        <source>%1 at the end</source>
        <translation>%1（末尾）</translation>
    </message>
    <message>
        <source>a mixture by mass is written [SiO2]70[Al2O3]30</source>
        <translation>質量比の混合物は [SiO2]70[Al2O3]30 のように書きます</translation>
    </message>
    <message>
        <source>no composition could be read</source>
        <translation>組成を読み取れません</translation>
    </message>
    <message>
        <source>no composition could be read: unbalanced parentheses</source>
        <translation>組成を読み取れません: 丸括弧の対応が取れていません</translation>
    </message>
    <message>
        <source>no composition could be read: unbalanced square brackets</source>
        <translation>組成を読み取れません: 角括弧の対応が取れていません</translation>
    </message>
    <message>
        <source>no composition could be read: square brackets only enclose the parts of a mixture by mass</source>
        <translation>組成を読み取れません: 角括弧は質量比の混合物の成分を囲むときだけ使います</translation>
    </message>
    <message>
        <source>no composition — type one, e.g. Fe2O3</source>
        <translation>組成がありません — 例えば Fe2O3 のように入力してください</translation>
    </message>
    <message>
        <source>No absorption edge of %1 at %2 keV (a jump shows only within 0.1 eV of an edge); the nearest is %1 %3 at %4 keV.</source>
        <translation>%2 keV に %1 の吸収端はありません（吸収端の 0.1 eV 以内でのみ跳びが現れます）。最も近いのは %1 %3（%4 keV）です。</translation>
    </message>
    <message>
        <source>d-mu t cannot be set by the thickness: the pellet shows no edge jump at the calculation point.</source>
        <translation>厚さでは Δμt を設定できません: 吸収計算点で試料に吸収端の跳びがありません。</translation>
    </message>
    <message>
        <source>No line of the target in the plotted range is excited: %1 keV lies below their edges (the lowest edge above it is %2 at %3 keV).</source>
        <translation>表示範囲内の対象物質の蛍光線は励起されません: %1 keV はそれらの吸収端より低エネルギーです（これより上で最も低い吸収端は %2、%3 keV）。</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>設定(&amp;S)</translation>
    </message>
    <message>
        <source>Absorption data</source>
        <translation>吸収データ</translation>
    </message>
    <message>
        <source>Two-term table</source>
        <translation>2項近似表</translation>
    </message>
    <message>
        <source>Tabulated cross sections (with scattering)</source>
        <translation>断面積の数表（散乱を含む）</translation>
    </message>
    <message>
        <source>Absorption: tabulated cross sections</source>
        <translation>吸収: 断面積の数表</translation>
    </message>
    <message>
        <source>Absorption: two-term table</source>
        <translation>吸収: 2項近似表</translation>
    </message>
    <message>
        <source>Spectrum: detailed model</source>
        <translation>スペクトル: 詳細モデル</translation>
    </message>
    <message>
        <source>Spectrum: classic model</source>
        <translation>スペクトル: 従来モデル</translation>
    </message>
    <message>
        <source>Spectrum: every line with its own rate, geometry, secondary fluorescence and the detector&apos;s response</source>
        <translation>スペクトル: 各線の固有の強度、幾何配置、二次蛍光、検出器の応答を含む</translation>
    </message>
    <message>
        <source>Spectrum: the classic model (normal incidence, no secondary fluorescence, no detector response); the Detailed physics box switches</source>
        <translation>スペクトル: 従来モデル(垂直入射、二次蛍光なし、検出器の応答なし)。「詳細な物理モデル」のチェックで切り替え</translation>
    </message>
    <message>
        <source>Elam's tabulated photoabsorption with coherent and incoherent scattering, interpolated log-log within each edge region</source>
        <translation>Elam の光電吸収・干渉性散乱・非干渉性散乱の数表（吸収端の間で両対数補間）</translation>
    </message>
    <message>
        <source>Photoabsorption from C lambda^3 - D lambda^4 per edge region</source>
        <translation>吸収端の間ごとに C λ^3 - D λ^4 で表した光電吸収</translation>
    </message>
    <message>
        <source>&amp;Open Session...</source>
        <translation>セッションを開く(&amp;O)...</translation>
    </message>
    <message>
        <source>Save &amp;Session...</source>
        <translation>セッションを保存(&amp;S)...</translation>
    </message>
    <message>
        <source>Open Session</source>
        <translation>セッションを開く</translation>
    </message>
    <message>
        <source>Save Session</source>
        <translation>セッションを保存</translation>
    </message>
    <message>
        <source>Tirn sessions (*.tirn)</source>
        <translation>Tirn セッション (*.tirn)</translation>
    </message>
    <message>
        <source>Any files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Session not opened from %1: %2</source>
        <translation>セッションを %1 から開けませんでした: %2</translation>
    </message>
    <message>
        <source>unknown keys ignored (%1): %2</source>
        <translation>未知のキーを無視しました (%1 個): %2</translation>
    </message>
    <message>
        <source>defaults for %1</source>
        <translation>既定値を使用: %1</translation>
    </message>
    <message>
        <source>Opened session %1 (%2)</source>
        <translation>セッション %1 を開きました (%2)</translation>
    </message>
    <message>
        <source>Opened session %1</source>
        <translation>セッション %1 を開きました</translation>
    </message>
    <message>
        <source>Session not saved to %1: %2</source>
        <translation>セッションを %1 に保存できませんでした: %2</translation>
    </message>
    <message>
        <source>Saved session to %1</source>
        <translation>セッションを %1 に保存しました</translation>
    </message>
    <message>
        <source>not a session file (%1: %2)</source>
        <translation>セッションファイルではありません (%1: %2)</translation>
    </message>
    <message>
        <source>not a session file</source>
        <translation>セッションファイルではありません</translation>
    </message>
    <message>
        <source>not a session file (the file is empty)</source>
        <translation>セッションファイルではありません (ファイルが空です)</translation>
    </message>
    <message>
        <source>not a session file (not a JSON object)</source>
        <translation>セッションファイルではありません (JSON オブジェクトではありません)</translation>
    </message>
    <message>
        <source>line %1, column %2</source>
        <translation>%1 行 %2 列</translation>
    </message>
    <message>
        <source>%1 is not an object</source>
        <translation>%1 はオブジェクトではありません</translation>
    </message>
    <message>
        <source>%1 is not a text</source>
        <translation>%1 は文字列ではありません</translation>
    </message>
    <message>
        <source>%1 characters, more than the %2 a field holds</source>
        <translation>%1 文字あり、欄に入る %2 文字を超えています</translation>
    </message>
    <message>
        <source>%1 is not valid Unicode</source>
        <translation>%1 は正しい Unicode ではありません</translation>
    </message>
    <message>
        <source>%1 is not true or false</source>
        <translation>%1 は true でも false でもありません</translation>
    </message>
    <message>
        <source>%1 is not a style</source>
        <translation>%1 はスタイルではありません</translation>
    </message>
    <message>
        <source>%1 is not an item of the list (%2 to %3)</source>
        <translation>%1 はリストの項目番号ではありません (%2 から %3)</translation>
    </message>
    <message>
        <source>%1 is not classic or tabulated</source>
        <translation>%1 は classic でも tabulated でもありません</translation>
    </message>
    <message>
        <source>read-outs that hold no result, left empty: %1</source>
        <translation>結果ではない表示値を空欄にしました: %1</translation>
    </message>
    <message>
        <source>values that disagree with the fields were recomputed from them: %1</source>
        <translation>入力欄と合わない値を入力欄から再計算しました: %1</translation>
    </message>
    <message>
        <source>a folder, not a file</source>
        <translation>ファイルではなくフォルダです</translation>
    </message>
    <message>
        <source>not a regular file but a named pipe</source>
        <translation>通常のファイルではなく名前付きパイプです</translation>
    </message>
    <message>
        <source>not a regular file but a device</source>
        <translation>通常のファイルではなくデバイスです</translation>
    </message>
    <message>
        <source>not a regular file but a socket</source>
        <translation>通常のファイルではなくソケットです</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>通常のファイルではありません</translation>
    </message>
    <message>
        <source>larger than the limit of %1</source>
        <translation>上限の %1 を超えています</translation>
    </message>
    <message>
        <source>larger than the limit of %1 (%2)</source>
        <translation>上限の %1 を超えています (%2)</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 バイト</translation>
    </message>
    <message>
        <source>Last session not opened</source>
        <translation>前回のセッションを開けませんでした</translation>
    </message>
    <message>
        <source>The last session could not be opened (%1). It was moved to %2; the program starts with the defaults.</source>
        <translation>前回のセッションを開けませんでした (%1)。ファイルは %2 に移しました。既定値で起動します。</translation>
    </message>
    <message>
        <source>The last session could not be opened (%1), nor moved aside (%2). %3 is left as it is and this session is not saved at quit.</source>
        <translation>前回のセッションを開けず (%1)、移動もできませんでした (%2)。%3 はそのまま残し、終了時にこのセッションは保存しません。</translation>
    </message>
    <message>
        <source>the session has no valid format version</source>
        <translation>セッションに有効な形式バージョンがありません</translation>
    </message>
    <message>
        <source>the session was written by a newer version (format %1; this one reads %2)</source>
        <translation>セッションは新しいバージョンで書かれています（形式 %1、このバージョンは %2 まで）</translation>
    </message>
    <message>
        <source>Data files (*.dat)</source>
        <translation>データファイル (*.dat)</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV ファイル (*.csv)</translation>
    </message>
    <message>
        <source>Reset range (Home)</source>
        <translation>表示範囲を戻す (Home)</translation>
    </message>
    <message>
        <source>Logarithmic mu t axis</source>
        <translation>μt 軸を対数目盛に</translation>
    </message>
    <message>
        <source>Log mu t</source>
        <translation>μt を対数で</translation>
    </message>
    <message>
        <source>Energy [keV]</source>
        <translation>エネルギー [keV]</translation>
    </message>
    <message>
        <source>mu t</source>
        <translation>μt</translation>
    </message>
    <message>
        <source>photons/s per channel</source>
        <translation>光子/秒/チャンネル</translation>
    </message>
    <message>
        <source>photons/s</source>
        <translation>光子/秒</translation>
    </message>
    <message>
        <source>fluorescence</source>
        <translation>蛍光</translation>
    </message>
    <message>
        <source>edges</source>
        <translation>吸収端</translation>
    </message>
    <message>
        <source>calc. point</source>
        <translation>吸収計算点</translation>
    </message>
    <message>
        <source>Save Plot &amp;Image...</source>
        <translation>プロット画像を保存(&amp;I)...</translation>
    </message>
    <message>
        <source>Save Plot Image</source>
        <translation>プロット画像を保存</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>SVG drawings (*.svg)</source>
        <translation>SVG 図 (*.svg)</translation>
    </message>
    <message>
        <source>PDF documents (*.pdf)</source>
        <translation>PDF 文書 (*.pdf)</translation>
    </message>
    <message>
        <source>Size in pixels (width x height):</source>
        <translation>サイズ（ピクセル、幅 x 高さ）:</translation>
    </message>
    <message>
        <source>Saved plot image to %1</source>
        <translation>プロット画像を %1 に保存しました</translation>
    </message>
    <message>
        <source>Plot image not saved to %1: %2</source>
        <translation>プロット画像を %1 に保存できませんでした: %2</translation>
    </message>
    <message>
        <source>Not saved</source>
        <translation>保存できませんでした</translation>
    </message>
    <message>
        <source>Not opened</source>
        <translation>開けませんでした</translation>
    </message>
    <message>
        <source>English from the next start, unless started as Tirne or with -e or -j.</source>
        <translation>次回の起動から英語で表示します（Tirne としての起動と -e、-j の指定が優先されます）。</translation>
    </message>
    <message>
        <source>Japanese from the next start, unless started as Tirne or with -e or -j.</source>
        <translation>次回の起動から日本語で表示します（Tirne としての起動と -e、-j の指定が優先されます）。</translation>
    </message>
    <message>
        <source>the file was not written completely</source>
        <translation>ファイルを最後まで書き込めませんでした</translation>
    </message>
    <message>
        <source>the image size %1x%2 is out of range</source>
        <translation>画像サイズ %1x%2 は範囲外です</translation>
    </message>
    <message>
        <source>no image format for the suffix &quot;%1&quot;</source>
        <translation>拡張子 &quot;%1&quot; の画像形式がありません</translation>
    </message>
    <message>
        <source>Incidence [deg]</source>
        <translation>入射角 [度]</translation>
    </message>
    <message>
        <source>Exit [deg]</source>
        <translation>出射角 [度]</translation>
    </message>
    <message>
        <source>Angle between the beam and the pellet surface</source>
        <translation>ビームと試料表面のなす角</translation>
    </message>
    <message>
        <source>Angle between the pellet surface and the detector axis</source>
        <translation>試料表面と検出器軸のなす角</translation>
    </message>
    <message>
        <source>Detailed physics</source>
        <translation>詳細な物理モデル</translation>
    </message>
    <message>
        <source>Secondary fluorescence</source>
        <translation>二次蛍光</translation>
    </message>
    <message>
        <source>Every K and L line with its own rate (xraylib's data), L subshells and Coster-Kronig transitions, incidence and exit angles, the exact solid angle and secondary fluorescence. Always computed with the tabulated cross sections, whatever the absorption data chosen for the pellet.</source>
        <translation>K 線と L 線のすべて（xraylib のデータによる各線の遷移確率、L 副殻、Coster-Kronig 遷移）、入射角・出射角、厳密な立体角、二次蛍光。試料の吸収データの選択にかかわらず、常に断面積の数表で計算します。</translation>
    </message>
    <message>
        <source>%1: must lie in (0, 90] degrees, not %2</source>
        <translation>%1: (0, 90] 度の範囲の値が必要です（入力値 %2）</translation>
    </message>
    <message>
        <source>Crystal [mm]</source>
        <translation>結晶厚 [mm]</translation>
    </message>
    <message>
        <source>Det. window thickness [µm]</source>
        <translation>検出器窓の厚さ [µm]</translation>
    </message>
    <message>
        <source>Dead time [µs]</source>
        <translation>不感時間 [µs]</translation>
    </message>
    <message>
        <source>%1: below the Fano limit of %2 at Mn Ka (%3 keV), not %4</source>
        <translation>%1: Mn Ka における %2 のファノ限界（%3 keV）を下回っています（入力値 %4）</translation>
    </message>
    <message>
        <source>Dead time %1 % at %2 /s; at a distance of %3 cm it would be %4 %.</source>
        <translation>不感時間 %1 %（%2 /s）。検出器距離 %3 cm で %4 % になります。</translation>
    </message>
    <message>
        <source>Polarised beam</source>
        <translation>偏光ビーム</translation>
    </message>
    <message>
        <source>A beam linearly polarised in the plane of beam and detector axis, as at a synchrotron; unchecked, an unpolarised laboratory source. Sets the scatter peaks.</source>
        <translation>ビームと検出器軸を含む面内に直線偏光したビーム（放射光）。チェックを外すと無偏光の実験室線源。散乱ピークの強度が変わります。</translation>
    </message>
    <message>
        <source>Log intensity</source>
        <translation>強度を対数で</translation>
    </message>
    <message>
        <source>The intensity axis by decades: weak lines and escape peaks beside strong ones</source>
        <translation>強度軸を対数目盛に（強い線の横に弱い線やエスケープピークも見える）</translation>
    </message>
    <message>
        <source>Every event the detector records per second, scatter and lines outside the plotted range included</source>
        <translation>検出器が毎秒記録する全イベント数（散乱ピークと表示範囲外の蛍光線を含む）</translation>
    </message>
    <message>
        <source>Share of the time the detector is busy, for a paralysable dead time per event</source>
        <translation>検出器が処理中で計数できない時間の割合（麻痺型の不感時間モデル）</translation>
    </message>
    <message>
        <source>Thickness of the detector's crystal</source>
        <translation>検出器結晶の厚さ</translation>
    </message>
    <message>
        <source>Thickness of the detector&apos;s window, beryllium or whatever its composition says</source>
        <translation>検出器の窓の厚さ (ベリリウム、または組成で指定した材料)</translation>
    </message>
    <message>
        <source>Dead time per recorded event</source>
        <translation>1 イベントあたりの不感時間</translation>
    </message>
    <message>
        <source>Count rate</source>
        <translation>計数率</translation>
    </message>
    <message>
        <source>Dead time</source>
        <translation>不感時間</translation>
    </message>
    <message>
        <source>scatter, escape</source>
        <translation>散乱・エスケープ</translation>
    </message>
    <message>
        <source>pile-up</source>
        <translation>パイルアップ</translation>
    </message>
    <message>
        <source>measured</source>
        <translation>測定</translation>
    </message>
    <message>
        <source>; measured %1</source>
        <translation>、測定 %1</translation>
    </message>
    <message>
        <source>unexplained peak</source>
        <translation>未同定ピーク</translation>
    </message>
    <message>
        <source>Measured file</source>
        <translation>測定ファイル</translation>
    </message>
    <message>
        <source>Measured spectrum drawn over the plan: .mca, .spe, or text/CSV of counts; empty: none</source>
        <translation>計画に重ねて描く測定スペクトル: .mca、.spe、またはカウントのテキスト/CSV。空欄: なし</translation>
    </message>
    <message>
        <source>Meas. offset [keV]</source>
        <translation>測定オフセット [keV]</translation>
    </message>
    <message>
        <source>Energy of the measured spectrum's channel 0; filled from the file when it has a calibration</source>
        <translation>測定スペクトルのチャンネル 0 のエネルギー。ファイルに較正があればそこから入ります</translation>
    </message>
    <message>
        <source>Meas. gain [keV/ch]</source>
        <translation>測定ゲイン [keV/ch]</translation>
    </message>
    <message>
        <source>Width of one channel of the measured spectrum; filled from the file when it has a calibration</source>
        <translation>測定スペクトルの1チャンネルの幅。ファイルに較正があればそこから入ります</translation>
    </message>
    <message>
        <source>Meas. live time [s]</source>
        <translation>測定ライブタイム [s]</translation>
    </message>
    <message>
        <source>Live time of the measured spectrum; filled from the file when it states one</source>
        <translation>測定スペクトルのライブタイム。ファイルに記載があればそこから入ります</translation>
    </message>
    <message>
        <source>Sim. live time [s]</source>
        <translation>計算ライブタイム [s]</translation>
    </message>
    <message>
        <source>Live time for which the plan's spectrum is counted per channel</source>
        <translation>計画のスペクトルをチャンネルごとのカウントにするときのライブタイム</translation>
    </message>
    <message>
        <source>Sim. noise</source>
        <translation>計算ノイズ</translation>
    </message>
    <message>
        <source>1: Poisson noise on the counts per channel, drawn from the seed; 0: the expected counts</source>
        <translation>1: チャンネルごとのカウントにシードから生成したポアソンノイズを加える。0: 期待値のカウント</translation>
    </message>
    <message>
        <source>Sim. seed</source>
        <translation>計算シード</translation>
    </message>
    <message>
        <source>Seed of the noise: the same seed gives the same counts</source>
        <translation>ノイズのシード: 同じシードなら同じカウントになります</translation>
    </message>
    <message>
        <source>Meas./sim. scale</source>
        <translation>測定/計算 倍率</translation>
    </message>
    <message>
        <source>Amptek MCA files (*.mca)</source>
        <translation>Amptek MCA ファイル (*.mca)</translation>
    </message>
    <message>
        <source>Open &amp;Measured Spectrum...</source>
        <translation>測定スペクトルを開く(&amp;M)...</translation>
    </message>
    <message>
        <source>Close Measured Spectrum</source>
        <translation>測定スペクトルを閉じる</translation>
    </message>
    <message>
        <source>Compare with Measured...</source>
        <translation>測定と比較...</translation>
    </message>
    <message>
        <source>Save Spectrum per &amp;Channel...</source>
        <translation>チャンネルごとのスペクトルを保存(&amp;C)...</translation>
    </message>
    <message>
        <source>Open Measured Spectrum</source>
        <translation>測定スペクトルを開く</translation>
    </message>
    <message>
        <source>Spectra (*.mca *.spe *.csv *.txt *.dat);;Any files (*)</source>
        <translation>スペクトル (*.mca *.spe *.csv *.txt *.dat);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Save Spectrum per Channel</source>
        <translation>チャンネルごとのスペクトルを保存</translation>
    </message>
    <message>
        <source>Measured spectrum not opened from %1: %2; nothing changed.</source>
        <translation>%1 から測定スペクトルを開けませんでした: %2。何も変更していません。</translation>
    </message>
    <message>
        <source>Measured spectrum</source>
        <translation>測定スペクトル</translation>
    </message>
    <message>
        <source>The measured channels are %1 keV wide. Show the simulated spectrum per channel of that width (%2 = %1 keV, %3), so that both are drawn in the same unit?</source>
        <translation>測定のチャンネル幅は %1 keV です。計算スペクトルをこの幅のチャンネルごとに表示して (%2 = %1 keV、%3)、両方を同じ単位で描きますか?</translation>
    </message>
    <message>
        <source>Save Comparison</source>
        <translation>比較を保存</translation>
    </message>
    <message>
        <source>no format for the suffix &quot;%1&quot;</source>
        <translation>拡張子 &quot;%1&quot; の形式はありません</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>%1 に保存しました</translation>
    </message>
    <message>
        <source>Not saved to %1: %2</source>
        <translation>%1 に保存できませんでした: %2</translation>
    </message>
    <message>
        <source>no file named</source>
        <translation>ファイル名がありません</translation>
    </message>
    <message>
        <source>Measured spectrum read: %1 channels, %2 counts (%3).</source>
        <translation>測定スペクトルを読み込みました: %1 チャンネル、%2 カウント (%3)。</translation>
    </message>
    <message>
        <source>The file does not state %1: the fields&apos; values are used.</source>
        <translation>ファイルに %1 の記載がないため、欄の値を使います。</translation>
    </message>
    <message>
        <source>%1: cannot read &quot;%2&quot;: %3; nothing changed.</source>
        <translation>%1: &quot;%2&quot; を読み込めません: %3。何も変更していません。</translation>
    </message>
    <message>
        <source>The measured spectrum &quot;%1&quot; cannot be read (%2): no overlay.</source>
        <translation>測定スペクトル &quot;%1&quot; を読み込めません (%2)。重ね描きはありません。</translation>
    </message>
    <message>
        <source>measured spectrum &quot;%1&quot; cannot be read (%2): loaded without the overlay</source>
        <translation>測定スペクトル &quot;%1&quot; を読み込めません (%2)。重ね描きなしで読み込みました</translation>
    </message>
    <message>
        <source>The measured spectrum needs a sound calibration and live time.</source>
        <translation>測定スペクトルには正しい較正とライブタイムが必要です。</translation>
    </message>
    <message>
        <source>The measured spectrum is compared once the spectrum is computed.</source>
        <translation>測定スペクトルはスペクトルが計算されてから比較されます。</translation>
    </message>
    <message>
        <source>No simulated line in the measured range has %1 counts or more: no scale.</source>
        <translation>測定範囲に %1 カウント以上の計算線がないため、倍率はありません。</translation>
    </message>
    <message>
        <source>there is no spectrum to count: type a target and a range</source>
        <translation>数えるスペクトルがありません: ターゲットと範囲を入力してください</translation>
    </message>
    <message>
        <source>the channels cover no energy</source>
        <translation>チャンネルがどのエネルギーも覆っていません</translation>
    </message>
    <message>
        <source>no measured spectrum is loaded</source>
        <translation>測定スペクトルが読み込まれていません</translation>
    </message>
    <message>
        <source>Measured over simulated line areas, one factor by least squares weighted by the counting statistics</source>
        <translation>測定と計算の線の面積の比。計数統計で重み付けした最小二乗による単一の係数</translation>
    </message>
    <message>
        <source>Pile-up time [µs]</source>
        <translation>パイルアップ時間 [µs]</translation>
    </message>
    <message>
        <source>Pulse-pair resolving time: two photons closer in time are recorded as one event at the sum of their energies; 0 for no pile-up</source>
        <translation>パルス対分解時間: これより近接して到来した2つの光子はエネルギーの和をもつ1つのイベントとして記録されます。0 でパイルアップなし</translation>
    </message>
    <message>
        <source>I0 absorbed</source>
        <translation>I0 吸収率</translation>
    </message>
    <message>
        <source>Share of the beam the I0 chamber photoabsorbs at Ext.Eng. (tabulated cross sections, 20 °C)</source>
        <translation>励起エネルギーで I0 チェンバーが光吸収するビームの割合 (表の断面積、20 °C)</translation>
    </message>
    <message>
        <source>It absorbed</source>
        <translation>It 吸収率</translation>
    </message>
    <message>
        <source>Share of the beam reaching it that the It chamber photoabsorbs at Ext.Eng. (tabulated cross sections, 20 °C)</source>
        <translation>励起エネルギーで It チェンバーに届いたビームのうち光吸収される割合 (表の断面積、20 °C)</translation>
    </message>
    <message>
        <source>Flux into I0</source>
        <translation>I0 入射フラックス</translation>
    </message>
    <message>
        <source>Photons per second entering the I0 chamber that give its current at Ext.Eng.: E/W ion pairs per photoabsorbed photon, shot noise and recombination aside. &quot;Use as I0&quot; puts what passes the chamber into I0.</source>
        <translation>励起エネルギーでその電流を与える、I0 チェンバーに入る毎秒の光子数: 光吸収された光子 1 個あたり E/W 個のイオン対 (ショットノイズと再結合は考えない)。「I0 に使う」でチェンバーを通過した分を I0 に入れます。</translation>
    </message>
    <message>
        <source>Noise of chi</source>
        <translation>chi のノイズ</translation>
    </message>
    <message>
        <source>Shot noise of one transmission point relative to the edge step, sigma(mu t) / d-mu t, at the point time: photons absorbed in the I0 and It chambers just above the calculation point, I0 being the flux at the sample</source>
        <translation>1 点の透過測定のショットノイズをエッジジャンプで割ったもの sigma(mu t) / d-mu t (1 点の測定時間で): 計算点のすぐ上で I0・It チェンバーに吸収される光子数から。I0 は試料位置のフラックス</translation>
    </message>
    <message>
        <source>Time for target</source>
        <translation>目標に要る時間</translation>
    </message>
    <message>
        <source>Point time at which the transmission noise of chi reaches the target</source>
        <translation>透過法の chi のノイズが目標値になる 1 点の測定時間</translation>
    </message>
    <message>
        <source>Best mu(+)t</source>
        <translation>最適 mu(+)t</translation>
    </message>
    <message>
        <source>ROI signal</source>
        <translation>ROI 信号</translation>
    </message>
    <message>
        <source>Events per second of the chosen element&apos;s lines in the region of interest, after dead time (detailed model)</source>
        <translation>関心領域 (ROI) に入る選んだ元素の線の毎秒イベント数 (不感時間の後、詳細モデル)</translation>
    </message>
    <message>
        <source>ROI background</source>
        <translation>ROI バックグラウンド</translation>
    </message>
    <message>
        <source>Events per second of everything else recorded in the region of interest: other lines, scatter, escape and pile-up peaks, after dead time</source>
        <translation>関心領域に記録されるそれ以外すべての毎秒イベント数: 他の線、散乱、エスケープ、パイルアップのピーク (不感時間の後)</translation>
    </message>
    <message>
        <source>Noise of chi (fluo.)</source>
        <translation>chi のノイズ (蛍光)</translation>
    </message>
    <message>
        <source>Shot noise of one fluorescence point relative to the edge step at the point time: sqrt((S + B) t) / (S t), counting the region of interest</source>
        <translation>1 点の蛍光測定のショットノイズをエッジジャンプに対して表したもの (1 点の測定時間で): 関心領域を数えて sqrt((S + B) t) / (S t)</translation>
    </message>
    <message>
        <source>Time for target (fluo.)</source>
        <translation>目標に要る時間 (蛍光)</translation>
    </message>
    <message>
        <source>Point time at which the fluorescence noise of chi reaches the target</source>
        <translation>蛍光法の chi のノイズが目標値になる 1 点の測定時間</translation>
    </message>
    <message>
        <source>ROI low [keV]</source>
        <translation>ROI 下限 [keV]</translation>
    </message>
    <message>
        <source>Lower bound of the region of interest counted for a fluorescence scan; empty: the chosen element&apos;s main line less the detector&apos;s FWHM</source>
        <translation>蛍光測定で数える関心領域の下限。空欄: 選んだ元素の主な線から検出器の半値全幅を引いた値</translation>
    </message>
    <message>
        <source>ROI high [keV]</source>
        <translation>ROI 上限 [keV]</translation>
    </message>
    <message>
        <source>Upper bound of the region of interest; empty: the main line plus the detector&apos;s FWHM</source>
        <translation>関心領域の上限。空欄: 主な線に検出器の半値全幅を足した値</translation>
    </message>
    <message>
        <source>ROI</source>
        <translation>ROI</translation>
    </message>
    <message>
        <source>Windows mu t</source>
        <translation>窓の mu t</translation>
    </message>
    <message>
        <source>mu t of the front and back windows just above the calculation point, part of mu(+)t and Trans. but not of d-mu t</source>
        <translation>計算点のすぐ上での前後の窓の mu t。mu(+)t と透過率に含まれ、d-mu t には含まれない</translation>
    </message>
    <message>
        <source>Front window</source>
        <translation>前面窓</translation>
    </message>
    <message>
        <source>Window on the beam side of the pellet: a formula, or Kapton, polypropylene, Mylar or tape for their formula and density. The beam crosses it along the incidence angle, the fluorescence and scatter along the exit angle; empty or 0 µm for none</source>
        <translation>ペレットのビーム側の窓: 組成式、または Kapton・polypropylene・Mylar・tape の名前でその組成式と密度。ビームは入射角で、蛍光と散乱は出射角で通過する。空欄または 0 µm で窓なし</translation>
    </message>
    <message>
        <source>Front window thickness [µm]</source>
        <translation>前面窓の厚さ [µm]</translation>
    </message>
    <message>
        <source>Front window density [g/cm3]</source>
        <translation>前面窓の密度 [g/cm3]</translation>
    </message>
    <message>
        <source>Back window</source>
        <translation>背面窓</translation>
    </message>
    <message>
        <source>Window behind the pellet, named as the front one: part of the transmission (mu t), not of the fluorescence seen from the front; empty or 0 µm for none</source>
        <translation>ペレットの背面の窓 (前面と同じく指定)。透過 (mu t) には入るが、前面から見る蛍光には関わらない。空欄または 0 µm で窓なし</translation>
    </message>
    <message>
        <source>Back window thickness [µm]</source>
        <translation>背面窓の厚さ [µm]</translation>
    </message>
    <message>
        <source>Back window density [g/cm3]</source>
        <translation>背面窓の密度 [g/cm3]</translation>
    </message>
    <message>
        <source>Det. elements</source>
        <translation>検出素子数</translation>
    </message>
    <message>
        <source>Elements of a detector array, each with the radius and distance above: the solid angle and every rate grow with their number, the count rate, dead time and pile-up are each element&apos;s</source>
        <translation>多素子検出器の素子数 (各素子は上の半径と距離を持つ)。立体角とすべての強度は素子数倍になり、計数率・不感時間・パイルアップは素子ごとの値</translation>
    </message>
    <message>
        <source>Crystal</source>
        <translation>結晶</translation>
    </message>
    <message>
        <source>Material of the detector&apos;s crystal: Si (drift detectors), Ge or CdTe; sets the efficiency, the escape peaks and the Fano limit of the peak widths</source>
        <translation>検出器結晶の材料: Si (ドリフト検出器)、Ge、CdTe。検出効率、エスケープピーク、ピーク幅のファノ限界が決まる</translation>
    </message>
    <message>
        <source>Dead layer [µm]</source>
        <translation>不感層 [µm]</translation>
    </message>
    <message>
        <source>Layer of the crystal&apos;s own material in front of its active part: absorbs and records nothing</source>
        <translation>結晶の有感部の前にある同じ材料の層: 吸収するが何も記録しない</translation>
    </message>
    <message>
        <source>Det. window</source>
        <translation>検出器窓</translation>
    </message>
    <message>
        <source>Window in front of the detector&apos;s crystal: Be, or a polymer such as C10H8O4 (a thin window)</source>
        <translation>検出器結晶の前の窓: Be、または C10H8O4 のような高分子 (薄膜窓)</translation>
    </message>
    <message>
        <source>Det. window density [g/cm3]</source>
        <translation>検出器窓の密度 [g/cm3]</translation>
    </message>
    <message>
        <source>Front win. [µm]</source>
        <translation>前面窓 [µm]</translation>
    </message>
    <message>
        <source>Back win. [µm]</source>
        <translation>背面窓 [µm]</translation>
    </message>
    <message>
        <source>Det. win. [µm]</source>
        <translation>検出器窓 [µm]</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; is not a detector material; Si, Ge or CdTe</source>
        <translation>%1: &apos;%2&apos; は検出器の材料ではありません。Si、Ge または CdTe</translation>
    </message>
    <message>
        <source>%1: must be a whole number, not %2</source>
        <translation>%1: 整数でなければなりません (%2 ではなく)</translation>
    </message>
    <message>
        <source>mu t cannot be set by the binder weight: the windows alone have mu t %1.</source>
        <translation>希釈剤の重さで mu t を設定できません: 窓だけで mu t が %1 あります。</translation>
    </message>
    <message>
        <source>auto</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>Total mu t above the edge at which the transmission noise of chi is smallest with these chambers, for a thicker or thinner pellet of the same composition; compare mu(+)t</source>
        <translation>同じ組成でペレットを厚く・薄くしたとき、これらのチェンバーで透過法の chi のノイズが最小になるエッジ上の全 mu t。mu(+)t と比べてください</translation>
    </message>
    <message>
        <source>I0 gas</source>
        <translation>I0 ガス</translation>
    </message>
    <message>
        <source>Gas of the chamber before the sample: He, N2, Ne, Ar, Kr, Xe, air or CO2, or a mixture by mole fractions such as N2:0.8 Ar:0.2; at 20 °C</source>
        <translation>試料の前のチェンバーのガス: He, N2, Ne, Ar, Kr, Xe, air, CO2、またはモル分率の混合 (例 N2:0.8 Ar:0.2)。20 °C</translation>
    </message>
    <message>
        <source>I0 length [cm]</source>
        <translation>I0 長さ[cm]</translation>
    </message>
    <message>
        <source>Length of the I0 chamber&apos;s collecting electrodes along the beam</source>
        <translation>ビーム方向の I0 チェンバーの集電極の長さ</translation>
    </message>
    <message>
        <source>I0 pressure [bar]</source>
        <translation>I0 圧力[bar]</translation>
    </message>
    <message>
        <source>Gas pressure in the I0 chamber</source>
        <translation>I0 チェンバーのガス圧</translation>
    </message>
    <message>
        <source>It gas</source>
        <translation>It ガス</translation>
    </message>
    <message>
        <source>Gas of the chamber after the sample, named as for I0</source>
        <translation>試料の後のチェンバーのガス (書き方は I0 と同じ)</translation>
    </message>
    <message>
        <source>It length [cm]</source>
        <translation>It 長さ[cm]</translation>
    </message>
    <message>
        <source>Length of the It chamber&apos;s collecting electrodes along the beam</source>
        <translation>ビーム方向の It チェンバーの集電極の長さ</translation>
    </message>
    <message>
        <source>It pressure [bar]</source>
        <translation>It 圧力[bar]</translation>
    </message>
    <message>
        <source>Gas pressure in the It chamber</source>
        <translation>It チェンバーのガス圧</translation>
    </message>
    <message>
        <source>I0 current [A]</source>
        <translation>I0 電流[A]</translation>
    </message>
    <message>
        <source>Current of the I0 chamber at Ext.Eng.; set by amplifier output and sensitivity when either is edited</source>
        <translation>励起エネルギーでの I0 チェンバーの電流。アンプ出力か感度を編集するとそれらから設定されます</translation>
    </message>
    <message>
        <source>Amp. output [V]</source>
        <translation>アンプ出力[V]</translation>
    </message>
    <message>
        <source>Output of the I0 chamber&apos;s current amplifier; times the sensitivity it gives the current</source>
        <translation>I0 チェンバーの電流アンプの出力。感度を掛けると電流になります</translation>
    </message>
    <message>
        <source>Amp. sens. [A/V]</source>
        <translation>アンプ感度[A/V]</translation>
    </message>
    <message>
        <source>Sensitivity of the current amplifier as amplifiers state it: 1e-9 A/V is 1 nA/V</source>
        <translation>アンプに表示される電流アンプの感度: 1e-9 A/V は 1 nA/V</translation>
    </message>
    <message>
        <source>Point time [s]</source>
        <translation>1 点の時間[s]</translation>
    </message>
    <message>
        <source>Counting time of one point of the scan</source>
        <translation>スキャン 1 点の計数時間</translation>
    </message>
    <message>
        <source>Target noise of chi</source>
        <translation>chi のノイズ目標</translation>
    </message>
    <message>
        <source>Noise of chi relative to the edge step wanted per point; 1e-3 suits EXAFS</source>
        <translation>1 点あたりに望む、エッジジャンプに対する chi のノイズ。EXAFS には 1e-3 が目安</translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation>測定</translation>
    </message>
    <message>
        <source>Use as I0</source>
        <translation>I0 に使う</translation>
    </message>
    <message>
        <source>Puts the flux that passes the I0 chamber into I0[photons/sec]</source>
        <translation>I0 チェンバーを通過するフラックスを I0[photons/sec] に入れます</translation>
    </message>
    <message>
        <source>The chambers need the tabulated cross sections, which are missing.</source>
        <translation>チェンバーの計算には表の断面積が必要ですが、見つかりません。</translation>
    </message>
    <message>
        <source>The noise of chi needs an edge jump at the calculation point.</source>
        <translation>chi のノイズには計算点でのエッジジャンプが必要です。</translation>
    </message>
    <message>
        <source>The noise of a fluorescence point needs the detailed model, which knows what the detector records.</source>
        <translation>蛍光測定 1 点のノイズには、検出器が記録するものが分かる詳細モデルが必要です。</translation>
    </message>
    <message>
        <source>No fluorescence noise at an M edge: its lines are not tabulated.</source>
        <translation>M 吸収端では蛍光のノイズを計算しません: その線は表にありません。</translation>
    </message>
    <message>
        <source>Ext.Eng. lies below the %1 %2 edge (%3 keV): the element gives no fluorescence to count there.</source>
        <translation>励起エネルギーが %1 の %2 吸収端 (%3 keV) より下です: この元素から数える蛍光は出ません。</translation>
    </message>
    <message>
        <source>The region of interest is empty: set ROI high above ROI low.</source>
        <translation>関心領域が空です: ROI 上限を ROI 下限より上にしてください。</translation>
    </message>
    <message>
        <source>No line of %1 falls into the region of interest.</source>
        <translation>%1 の線は関心領域に入りません。</translation>
    </message>
    <message>
        <source>%1: must lie above %2, not %3</source>
        <translation>%1: %2 より上でなければなりません (%3 ではなく)</translation>
    </message>
    <message>
        <source>No flux can be computed from the I0 chamber as it stands.</source>
        <translation>今の I0 チェンバーの設定からはフラックスを計算できません。</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; is not a gas; names %3, a mixture as N2:0.8 Ar:0.2</source>
        <translation>%1: &apos;%2&apos; はガスではありません。名前は %3、混合は N2:0.8 Ar:0.2 のように</translation>
    </message>
</context>
<context>
    <name>ComparisonDialog</name>
    <message>
        <source>Save CSV...</source>
        <translation>CSV を保存...</translation>
    </message>
    <message>
        <source>Measured and simulated lines</source>
        <translation>測定と計算の線</translation>
    </message>
    <message>
        <source>Lines</source>
        <translation>線</translation>
    </message>
    <message>
        <source>Energy [keV]</source>
        <translation>エネルギー [keV]</translation>
    </message>
    <message>
        <source>Measured</source>
        <translation>測定</translation>
    </message>
    <message>
        <source>Simulated</source>
        <translation>計算</translation>
    </message>
    <message>
        <source>Meas./sim.</source>
        <translation>測定/計算</translation>
    </message>
    <message>
        <source>No measured spectrum is loaded (File &gt; Open Measured Spectrum).</source>
        <translation>測定スペクトルが読み込まれていません (ファイル &gt; 測定スペクトルを開く)。</translation>
    </message>
    <message>
        <source>Scale measured/simulated: %1 ± %2, from %3 of %4 groups (areas above a straight background; a group counts from %5 counts).</source>
        <translation>測定/計算の倍率: %1 ± %2、%4 グループ中 %3 グループから (直線バックグラウンドより上の面積。%5 カウント以上のグループを使用)。</translation>
    </message>
    <message>
        <source>%1 keV (%2 σ)</source>
        <translation>%1 keV (%2 σ)</translation>
    </message>
    <message>
        <source>Unexplained peaks: %1</source>
        <translation>未同定ピーク: %1</translation>
    </message>
</context>
<context>
    <name>MeasuredSpectrum</name>
    <message>
        <source>line %1: %2</source>
        <translation>%1 行目: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a number</source>
        <translation>&quot;%1&quot; は数値ではありません</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a finite number</source>
        <translation>&quot;%1&quot; は有限の数値ではありません</translation>
    </message>
    <message>
        <source>negative count %1</source>
        <translation>負のカウント %1</translation>
    </message>
    <message>
        <source>count %1 is larger than any analyser records</source>
        <translation>カウント %1 はどの MCA も記録しない大きさです</translation>
    </message>
    <message>
        <source>channel number %1 is not a whole number from 0 to %2</source>
        <translation>チャンネル番号 %1 は 0 から %2 の整数ではありません</translation>
    </message>
    <message>
        <source>counting time %1 s is out of range (0 to %2 s)</source>
        <translation>計数時間 %1 s は範囲外です (0 から %2 s)</translation>
    </message>
    <message>
        <source>the energy calibration needs two different channels</source>
        <translation>エネルギー較正には異なる 2 つのチャンネルが必要です</translation>
    </message>
    <message>
        <source>the energy calibration (offset %1 keV, gain %2 keV per channel) is out of range: energies must rise with the channel</source>
        <translation>エネルギー較正 (オフセット %1 keV、ゲイン %2 keV/チャンネル) は範囲外です: エネルギーはチャンネルとともに増加しなければなりません</translation>
    </message>
    <message>
        <source>not an Amptek MCA file: it does not start with &lt;&lt;PMCA SPECTRUM&gt;&gt;</source>
        <translation>Amptek MCA ファイルではありません: &lt;&lt;PMCA SPECTRUM&gt;&gt; で始まっていません</translation>
    </message>
    <message>
        <source>&lt;&lt;END&gt;&gt; without a &lt;&lt;DATA&gt;&gt; block</source>
        <translation>&lt;&lt;DATA&gt;&gt; ブロックのない &lt;&lt;END&gt;&gt;</translation>
    </message>
    <message>
        <source>a second &lt;&lt;DATA&gt;&gt; block</source>
        <translation>2 つ目の &lt;&lt;DATA&gt;&gt; ブロック</translation>
    </message>
    <message>
        <source>the &lt;&lt;DATA&gt;&gt; block ends without &lt;&lt;END&gt;&gt;</source>
        <translation>&lt;&lt;DATA&gt;&gt; ブロックが &lt;&lt;END&gt;&gt; なしで終わっています</translation>
    </message>
    <message>
        <source>a calibration point needs a channel and an energy</source>
        <translation>較正点にはチャンネルとエネルギーが必要です</translation>
    </message>
    <message>
        <source>one count per line is expected in &lt;&lt;DATA&gt;&gt;, not &quot;%1&quot;</source>
        <translation>&lt;&lt;DATA&gt;&gt; では 1 行に 1 つのカウントが必要です (&quot;%1&quot; ではなく)</translation>
    </message>
    <message>
        <source>more than %1 channels</source>
        <translation>チャンネルが %1 を超えています</translation>
    </message>
    <message>
        <source>no &lt;&lt;DATA&gt;&gt; block</source>
        <translation>&lt;&lt;DATA&gt;&gt; ブロックがありません</translation>
    </message>
    <message>
        <source>the file is truncated: &lt;&lt;DATA&gt;&gt; has no &lt;&lt;END&gt;&gt;</source>
        <translation>ファイルが途中で切れています: &lt;&lt;DATA&gt;&gt; に &lt;&lt;END&gt;&gt; がありません</translation>
    </message>
    <message>
        <source>the &lt;&lt;DATA&gt;&gt; block holds no channels</source>
        <translation>&lt;&lt;DATA&gt;&gt; ブロックにチャンネルがありません</translation>
    </message>
    <message>
        <source>an MCA file needs at least one channel and a calibration</source>
        <translation>MCA ファイルには 1 つ以上のチャンネルと較正が必要です</translation>
    </message>
    <message>
        <source>a second $DATA: block</source>
        <translation>2 つ目の $DATA: ブロック</translation>
    </message>
    <message>
        <source>$MEAS_TIM: needs the live and the real time</source>
        <translation>$MEAS_TIM: にはライブタイムとリアルタイムが必要です</translation>
    </message>
    <message>
        <source>$ENER_FIT: needs an offset and a gain</source>
        <translation>$ENER_FIT: にはオフセットとゲインが必要です</translation>
    </message>
    <message>
        <source>$DATA: needs the first and the last channel</source>
        <translation>$DATA: には最初と最後のチャンネルが必要です</translation>
    </message>
    <message>
        <source>$DATA: channels %1 to %2 are not a range of 1 to %3 channels</source>
        <translation>$DATA: のチャンネル %1 から %2 は 1 から %3 チャンネルの範囲ではありません</translation>
    </message>
    <message>
        <source>more counts than channels %1 to %2 of $DATA:</source>
        <translation>$DATA: のチャンネル %1 から %2 よりカウントが多すぎます</translation>
    </message>
    <message>
        <source>not an SPE file: it has no $SPEC_ID: line</source>
        <translation>SPE ファイルではありません: $SPEC_ID: 行がありません</translation>
    </message>
    <message>
        <source>no $DATA: block</source>
        <translation>$DATA: ブロックがありません</translation>
    </message>
    <message>
        <source>$DATA: has no channel range</source>
        <translation>$DATA: にチャンネル範囲がありません</translation>
    </message>
    <message>
        <source>the file is truncated: $DATA: gives channels %1 to %2 (%3) but holds %4 counts</source>
        <translation>ファイルが途中で切れています: $DATA: はチャンネル %1 から %2 (%3) を示していますが、カウントは %4 個です</translation>
    </message>
    <message>
        <source>spectra are not written as SPE files</source>
        <translation>スペクトルは SPE ファイルとしては書き出せません</translation>
    </message>
    <message>
        <source>%1 columns: a spectrum has counts, energy and counts, or channel, energy and counts</source>
        <translation>%1 列: スペクトルはカウント、エネルギーとカウント、またはチャンネル・エネルギー・カウントの列を持ちます</translation>
    </message>
    <message>
        <source>%1 columns where the file has %2</source>
        <translation>ファイルは %2 列なのに %1 列です</translation>
    </message>
    <message>
        <source>channel %1 does not follow channel %2</source>
        <translation>チャンネル %1 がチャンネル %2 の次になっていません</translation>
    </message>
    <message>
        <source>no channels: the file holds no rows of numbers</source>
        <translation>チャンネルがありません: 数値の行がありません</translation>
    </message>
    <message>
        <source>one row cannot give an energy calibration</source>
        <translation>1 行ではエネルギー較正ができません</translation>
    </message>
    <message>
        <source>the energies do not rise by one step per row (one is %1 keV off the line through them, more than a twentieth of the %2 keV step)</source>
        <translation>エネルギーが 1 行ごとに一定の刻みで増えていません (1 つがそれらを通る直線から %1 keV ずれており、刻み %2 keV の 20 分の 1 を超えています)</translation>
    </message>
    <message>
        <source>spectra are written as .csv or .mca files</source>
        <translation>スペクトルは .csv または .mca ファイルとして書き出します</translation>
    </message>
    <message>
        <source>the file would take %1, more than the %2 a spectrum file may have</source>
        <translation>ファイルは %1 になり、スペクトルファイルの上限 %2 を超えます</translation>
    </message>
    <message>
        <source>it could not be read back: %1</source>
        <translation>読み戻せませんでした: %1</translation>
    </message>
</context>
</TS>
